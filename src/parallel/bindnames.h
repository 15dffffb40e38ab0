// The bind placeholders of a statement text, as the server sees them.
#ifndef QUILLET2_PARALLEL_BINDNAMES_H
#define QUILLET2_PARALLEL_BINDNAMES_H

#include <string_view>

// True when sql holds the placeholder :name (letter case aside; :"name" in
// double quotes compares exactly) outside comments (-- to the line end,
// /* */), string literals ('...' with '' inside, q'[...]' and the other
// q-quote delimiters) and quoted identifiers ("...").
bool hasBindName(std::string_view sql, std::string_view name);

#endif  // QUILLET2_PARALLEL_BINDNAMES_H
