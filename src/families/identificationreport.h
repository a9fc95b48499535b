// The identification of a ciphertext's family as the front ends show it:
// the families by their titles, with their parameters, shares and evidence.
#pragma once

#include "familyidentification.h"

#include <QStringList>

class CipherFamily;

// The family the identification ranks first, or null when it refused.
const CipherFamily *identifiedFamily(const Cryptanalysis::FamilyIdentification &identification);

// "шифр Виженера (vigenere), период 5 — 97 %".
QString guessTitle(const Cryptanalysis::FamilyGuess &guess);

// The most likely family and what decided, a sentence a line: for crack's
// reasons and the lab's summary.
QStringList identificationReasons(const Cryptanalysis::FamilyIdentification &identification);

// The whole ranking, a family a line with its evidence indented under it.
QStringList identificationRanking(const Cryptanalysis::FamilyIdentification &identification);
