// The homophonic commands of the main window. The window only gathers the
// line and the key and shows the result; the cipher lives in homophonic.cpp.
#include "mainwindow.h"
#include "ui_mainwindow.h"

void MainWindow::on_action_10_triggered()
{
}

void MainWindow::on_action_14_triggered()
{
}

void MainWindow::fullTableHR()
{
    fillHomophoneTable(tableHR);
}
