// Every tuning number of the search, in one place. Scores are in units of
// the model (1/1000 nat) unless a name says nats. The values came from runs
// of bench/crack_accuracy.sh over held-out prose; each comment says what
// they trade.
#pragma once

#include <climits>
#include <cmath>

namespace Cryptanalysis {

struct SearchSchedule
{
    // --- One anneal over single codes ---
    // Steps: annealWork × codes ÷ occurrences, within [minSteps, maxSteps]:
    // a step rescores the occurrences of one code, so every occurrence is
    // rescored about as often whatever the text's length, and one anneal
    // takes about as long. Short texts need the long anneals: at 200 codes
    // and k = 3 (random choice) 100 000 steps read 61 %, 800 000 read 89 %
    // and 1 600 000 read 93 % (median of 16 trials).
    double annealWork = 3.2e6;
    int minSteps = 20000;
    int maxSteps = 1600000;
    // Start temperature in nats, growing with the square root of the text's
    // length over temperatureLength codes (a move's change grows with it).
    // Hot enough that at first nearly any move of a code is taken: started
    // at 0.6 nats the anneal froze into the first trap it met, and 200 codes
    // at k = 3 (cyclic) read 52 % instead of 95 %.
    double startTemperatureNats = 40;
    // A key in proportion to the letters' frequencies with random choice
    // starts cooler (under cyclic choice its groups need the heat). Its
    // codes occur a few times each and its rare letters hold one code; at
    // 500 codes (20 trials, 14 restarts each) anneals started at 40 nats
    // left 7 texts unread, at 22 nats 4, at 15 and at 10 nats 2.
    double proportionalStartTemperatureNats = 15;
    int temperatureLength = 500;
    double endTemperatureNats = 1;
    // After the anneal over groups the codes start this much cooler.
    double codeAnnealAfterGroups = 0.25;
    // Mix of moves, percent: one code to another symbol (or a swap with a
    // code there), two symbols trading all their codes (when codes are known
    // to cycle), and otherwise a rotation of three codes.
    int singleMovePercent = 60;
    int symbolSwapPercent = 25;
    // Whether the anneal over codes ends at the best key it met rather than
    // where it cooled. On a short text a key is a few codes and one move
    // changes the score by many nats, so a warm end wanders off the best key
    // it passed; the long texts of the homophonic search cool to a key as
    // good as any they met.
    bool keepBestKey = false;

    // --- The anneal over groups of codes that cycle together ---
    int groupMinSteps = 2000;
    int groupStepsPerGroup = 800;
    int groupStepsFloor = 60000;
    int groupStepsCeiling = 80000;
    // Steps shrink on texts longer than this, where each step costs more.
    int groupFullLength = 1500;
    int groupMovePercent = 75;

    // Codes are grouped when their alternation has less than a 1 in 40
    // chance.
    double groupingEvidenceNats = std::log(40.0);
    // A code seen twice in a line must have partners: the best compatible
    // ones are taken on this much evidence.
    double repeaterEvidenceNats = std::log(2.0);

    // --- Hill climbing at the end of a restart ---
    // Rotations of three codes among the rarest (seen this often at most),
    // which swaps cannot untangle; at most rareCodeLimit of them.
    int rareCodeCount = 2;
    int rareCodeLimit = 48;

    // --- Restarts and stopping ---
    // A key whose decryption scores above this reads as fluent Russian; the
    // true key of held-out prose scores about -1.5 to -2.1 nats a symbol,
    // keys the search is stuck at -2.7 and below.
    double fluentScoreNats = -2.3;
    // Two restarts agree when their totals differ by less than one unit a
    // code; this many agreeing restarts end the search on a short text.
    int agreementsToStop = 2;
    // A key that reads as Russian ends the search once a later restart has
    // failed to beat it, and no sooner than this many restarts.
    int fluentMinRestarts = 2;
    // On texts of at least this many codes a key that does not read as
    // Russian is a trap worth more restarts, not an answer.
    int persistOccurrences = 300;
    // Restarts without a better key before the search ends (times the
    // factor when it persists). Few, since each anneal is long: the hard
    // texts are read in two to four restarts or not at all.
    int giveUpAfter = 6;
    int persistGiveUpFactor = 3;
    int maxRestarts = 400;

    // --- Shape of the key ---
    // Codes a symbol may hold: the tool's keys give each symbol three. Two
    // when there are at most two codes a symbol and the text is at least
    // twoCodesMinOccurrences long enough to have shown a third.
    int codesPerSymbol = 3;
    int twoCodesMinOccurrences = 1000;
    // A key with homophones in proportion to the letters' frequencies shows
    // more codes than three a symbol allow, or codes of nearly equal counts:
    // an index of coincidence at most this many times that of a uniform
    // spread over the codes that occur (1.1 at most from 400 codes on;
    // equal rows leave 1.3 and more there). Shorter texts vary too much to
    // tell.
    double proportionalCoincidence = 1.2;
    int proportionalMinOccurrences = 400;
    // In such a key a symbol may hold this many codes (the space of a
    // 100-code key holds 15 to 18), and a move of one code is a swap with a
    // code of the target this often, percent, so that row lengths change
    // only where the text asks for it.
    int proportionalCapacity = 24;
    int proportionalSwapPercent = 50;

    // --- Restarts that hold the space (proportional keys, random choice) ---
    // There every restart fell into one trap, a wrong split into words
    // (codes of the space read as letters, those of П, С, К, М at the
    // starts of words as the space), which the four-gram model prefers to
    // any key near it; holding the space to what prose shows of it
    // (SpaceEvidence) leaves that split out. Over six hard texts at 500
    // codes, six restarts each, the restarts that held it (and then let it
    // go, below) read 25 of 36 times, those that did not 5 of 36. Not all
    // of them hold it: a text that is no prose breaks the rules, and there
    // the free restarts win. Every spaceFreeEvery-th restart, the first
    // included, is free.
    int spaceFreeEvery = 3;
    // While held, each letter of a word past spaceWordLetters letters costs
    // spaceOverlongNats: the held search otherwise leaves words of 17 to 26
    // letters where a space code reads as a letter. Without the cost 24 of
    // those 36 restarts read (let go as below, with all the steps), with it
    // 28; with a third of the steps, limits of 10, 12 and 14 letters at 2
    // nats let 17, 25 and 21 read, 12 at 4 nats 18.
    int spaceWordLetters = 12;
    double spaceOverlongNats = 2;
    // Then the space is let go and the codes anneal again, from this share
    // of the start temperature for this share of the steps, so that codes
    // the rules held wrong find their symbols. From 0.08, 0.15, 0.3 and 0.5
    // of the temperature 22, 24, 25 and 21 restarts of the 36 read; a third
    // of the steps read as well as all of them (25 and 28 of 36, within
    // the noise) in a third of the time.
    double spaceReleaseTemperature = 0.3;
    double spaceReleaseSteps = 0.33;

    // Under cyclic choice a symbol with a code seen twice in a line must show
    // all k codes; a key that leaves it fewer pays this much per symbol.
    double incompleteSymbolNats = 4.0;

    // --- Hand on the key ---
    // A crib that reads somewhere is worth this much per letter: enough to
    // pull a key over, not enough to force nonsense.
    double cribNatsPerLetter = 1.5;

    // --- Words, after the search (monoalphabetic keys) ---
    // What a word of the reading costs that the word list does not hold,
    // in nats; 0 leaves words out. The polish moves only the letters of
    // codes seen at most wordPolishMaxCount times, for at most
    // wordPolishRounds moves.
    double unknownWordNats = 0;
    int wordPolishMaxCount = 2;
    int wordPolishRounds = 10;

    // --- Input and clock ---
    // A longer ciphertext says nothing more to the search; its first this
    // many codes are searched. A code that first occurs past them is placed
    // after the search by the model, reading at most unsearchedOccurrencesRead
    // of its occurrences in their context.
    int maxSearchedOccurrences = 8000;
    int unsearchedOccurrencesRead = 2000;
    // The anneal reads the clock every this many steps (a step takes well
    // under a microsecond on short texts, some microseconds on long ones).
    int clockEvery = 256;
    // Progress is reported at most this often in between restarts: ten
    // times a second is smooth to watch and costs nothing.
    int progressIntervalMs = 100;

    // --- The fixed table ---
    // Digit pairs of the plaintext are copied and read as codes, so this
    // many codes in a thousand may come out of turn in a ciphertext still
    // taken for cyclic choice.
    int outOfTurnPerMille = 20;

    // The numbers for a monoalphabetic key, where each of at most 32 cipher
    // symbols is a code and every symbol holds one code.
    static SearchSchedule monoalphabetic();
};

// Measured with bench/mono_accuracy.sh over 40 to 60 symbols of held-out
// prose, against the best key that a hundred anneals found for each text.
inline SearchSchedule SearchSchedule::monoalphabetic()
{
    SearchSchedule schedule;
    // Long anneals and few restarts: a short text has many keys that read
    // nearly as well as the best, and a quick cooling falls into the widest
    // of them. An anneal of 300 000 steps found the best key of 40 symbols
    // 39 % of the time, one of 1 000 000 steps 70 % (50 symbols: 53 and
    // 82 %, 60 symbols: 62 and 92 %); 100 000 steps found it 16 % of the
    // time. Over 40 texts of each length, 850 000 steps on 40 symbols
    // (700 000 on 50, 650 000 on 60) read as well as 1 000 000 and needed
    // two restarts where those needed three. As for homophones, the steps
    // shrink as the text grows, so that an anneal takes about as long (a
    // quarter of a second on one core).
    schedule.annealWork = 1500000;
    schedule.minSteps = 20000;
    schedule.maxSteps = 850000;
    // Starts from 3 to 8 nats and ends from 0.7 to 2 found the best key
    // about as often; colder starts froze early.
    schedule.startTemperatureNats = 4;
    schedule.endTemperatureNats = 1.5;
    schedule.keepBestKey = true;
    // Two restarts that end at one key end the search, unless the key reads
    // worse than this: the best keys of 40 to 60 symbols score -1.4 to -2.2
    // nats a symbol, few below -2.0, and the traps that two restarts fell
    // into alike scored -2.0 to -2.2. Such a key makes the search persist
    // on any text long enough to be read at all; a key that reads well
    // never ends it alone.
    schedule.agreementsToStop = 2;
    schedule.fluentScoreNats = -2.05;
    schedule.persistOccurrences = 30;
    schedule.fluentMinRestarts = INT_MAX;
    schedule.giveUpAfter = 6;
    schedule.persistGiveUpFactor = 2;
    schedule.maxRestarts = 20;
    // A crib fixes as many symbols of the key as it has letters, and its
    // pattern of repeats places it where few other words fit: worth more
    // than among homophones. The first 48 symbols of the attack's test prose
    // read ПЕКАРНЮ nowhere at 1.5 nats a letter, 69 % right; at 3 nats they
    // read it and 83 %.
    schedule.cribNatsPerLetter = 3;
    // Two thousand symbols show every letter that the text will use often;
    // a symbol first seen later is read by the model where it occurs.
    schedule.maxSearchedOccurrences = 2000;
    // A word the list does not hold costs as much as eight to ten symbols
    // read badly: over 20 texts of 60 symbols a cost of 4 or 8 nats left
    // the worst text with the space kept at 88 % (two letters wrong in one
    // word need two moves, each through a word no better), 20 nats 97 %;
    // 12 and 20 read 40, 50 and 100 symbols alike. Moving the letters of
    // every code, not only of the rare ones, read no text better.
    schedule.unknownWordNats = 20;
    return schedule;
}

} // namespace Cryptanalysis
