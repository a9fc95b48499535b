// The commands of the homophonic tool. Each gathers its input from the
// command line, calls the libraries and reports; it returns the exit status.
#pragma once

struct Invocation;

int runEncrypt(const Invocation &invocation);
int runDecrypt(const Invocation &invocation);
int runTable(const Invocation &invocation);
int runKeygen(const Invocation &invocation);
int runAnalyze(const Invocation &invocation);
int runCrack(const Invocation &invocation);
int runModel(const Invocation &invocation);
