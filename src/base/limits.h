// Bounds and codes that the option parser writes and the modules taking the
// values rely on, so both sides name one constant.
#ifndef QUILLET2_BASE_LIMITS_H
#define QUILLET2_BASE_LIMITS_H

// Bind variables a run can carry: 18 from the command line, 2 more (MINRID and
// MAXRID) added by a parallel worker.
constexpr int MAX_SQL_PARAMS = 20;
constexpr int MAX_CMDLINE_PARAMS = 18;
// Largest `size` piece in megabytes (2^28 - 1, in practice no limit): the
// default, also taken for a negative `size`.
constexpr int MAX_PIECE_MB = 268435455;
// Largest `threads=` (compression workers per output stream): each costs
// about 2.5 MiB, so a stream stays near 100 MiB at most.
constexpr int MAX_THREADS = 32;
// Oracle error numbers that `error=` can list.
constexpr int MAX_SKIP_ERRORS = 32;
// The `format` of the JSON Lines layout, after 1 (MySQL INSERTs) and 2
// (Oracle INSERTs); 0 is the delimited and fixed-width layouts.
constexpr int FORMAT_JSON = 3;

#endif  // QUILLET2_BASE_LIMITS_H
