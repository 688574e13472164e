#pragma once
// SQL literals of texts and values, and quoted identifiers, as the generated statements write them.
#include "dataset/DataTypes.h"
#include "dataset/Value.h"

#include <string>
#include <string_view>

// The escaped and quoted form of a text. With backslash escapes NUL, LF, CR, character 26,
// quotes and the backslash are escaped with a backslash; without them only the single quote is
// doubled. The Append forms write at the end of out, for statements built piece by piece.
std::string QuotedString(std::string_view text, bool needBackslashes);
void AppendQuotedString(std::string& out, std::string_view text, bool needBackslashes);

// The literal that stands for a value of the given internal data type in a statement; times and
// date-times with the given digits of fractional seconds (their column's), as a key must match.
std::string ValueLiteral(const TValue& value, TDataType type, bool needBackslashes, int fractionDigits = 0);
void AppendValueLiteral(std::string& out, const TValue& value, TDataType type, bool needBackslashes,
                        int fractionDigits = 0);

// A name the server reported (a column, table or database): always one identifier, whatever it
// holds, in backticks when asked to or when it needs them, embedded backticks doubled.
std::string QuoteIdentifier(std::string_view name, bool quoteNames);

// A name the program itself gives (UpdatingTable): as QuoteIdentifier, but a dotted name is handled
// part by part and a part already quoted stays as it is.
std::string QuoteName(std::string_view name, bool quoteNames);
