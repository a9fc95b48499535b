// Every tuning number of the attack on keyword ciphers, in one place. The
// values came from runs of bench/poly_accuracy.sh over held-out prose (200
// trials a cell); each comment says what they trade.
#pragma once

namespace Cryptanalysis {

struct KeywordSchedule
{
    // Periods are examined while every column holds this many symbols: at
    // four a column, 40 symbols under a keyword of ten still read 99 % of
    // the time, so fewer would only invite keywords that fit any text.
    int minColumnSymbols = 4;
    // Below this the attack does not guess a period at all.
    int minTextSymbols = 20;
    // The longest period and the longest autokey keyword tried.
    int maxPeriod = 30;
    int maxAutokeyLength = 10;
    // Hypotheses (a variant and a period) are searched on this many symbols
    // at most; the winner's keyword is then climbed once more on the whole
    // text. Two thousand symbols give a period of 30 over sixty a column.
    int searchedSymbols = 2000;

    // Every hypothesis is scored with its keyword as the letter frequencies
    // read it; those within unclimbedNats of the best get a climb; those
    // then within hopelessNats of the best get firstRestarts; the best few
    // (finalists) then go on until their best key has been found
    // confirmations times, or maxRestarts. On a long text a wrong period
    // falls thousands of nats behind at a glance and is never climbed; on
    // a short one everything stays in. Three restarts and three finds, with
    // four finalists, read 30 symbols (periods 1 to 6) 90 % of the time;
    // eight of each 99.5 %, in a few milliseconds either way.
    double unclimbedNats = 150;
    double hopelessNats = 60;
    int firstRestarts = 8;
    int finalists = 8;
    int confirmations = 8;
    int maxRestarts = 40;

    // A restart after the first draws each column's shift from the letter
    // frequencies' posterior raised to this power: 1 is the posterior
    // itself, which on short columns kept drawing the same wrong start
    // (30 symbols: 94 % at 1, 99.5 % at 0.3 with the numbers above).
    double startSharpness = 0.3;

    // Evidence for a hypothesis: the decryption's log-probability in nats
    // less this many nats per free keyword symbol per nat of its choices
    // (ln 32 for a letter, ln 10 for a digit): a longer keyword fits any text
    // better, and without the charge period 2p could beat period p. From
    // 0.6 to 1.4 the results hardly differ.
    double keywordCharge = 1.0;

    int progressIntervalMs = 100;
};

} // namespace Cryptanalysis
