#pragma once
// Which columns name a record's row in a generated statement, and how each is compared so that the
// stored value, and only it, matches.
#include "components/MySQLGenerator.h"
#include "dataset/FieldDesc.h"
#include "dataset/Value.h"

#include <string>
#include <string_view>
#include <vector>

// Where a record's value comes from. A value read is what the server showed: floating-point
// numbers with fewer digits than they hold, and fractions of a second finer than milliseconds
// dropped. A value posted is what this client sent, and so knows what the server made of it.
enum class TValueOrigin { Read, Posted };

// The columns that name the old record's row.
struct TRowIdentity {
  // A whole key holding values that compare exactly: compared as the key compares, one row at most.
  bool ByKey = false;
  std::vector<const TFieldDesc*> Compared;
  // Without such a key: columns the dataset read that cannot be compared exactly. They are
  // compared with the range of stored values they may stand for, so other rows may match too.
  std::vector<const TFieldDesc*> NotExact;
};

TRowIdentity IdentifyRow(const TUpdateContext& context);

// Why an edit of a row without a key is refused when the columns compared exactly find other rows.
std::string NotToldApart(const TRowIdentity& identity);

// Whether the column's value from that origin can be compared so that only the stored value matches.
bool ComparesExactly(const TFieldDesc& desc, TValueOrigin origin);

// Appends a condition true exactly when the column holds the record's (old or new) value: NULL by
// IS NULL, text byte for byte whatever the collation and trailing spaces (after the comparison by
// collation, which keeps an index of the column usable), decimals as exact numbers rounded to the
// column's digits as the server stores them, a posted FLOAT as the single-precision value stored.
void AppendExactMatch(TGeneratedStatement& statement, const TUpdateContext& context, const TFieldDesc& desc, bool old,
                      TValueOrigin origin);

// Appends the condition that finds the identified row, with "LIMIT 1" when no key names it.
// Raises "Key fields not found" when there is no column to compare.
void AppendRowCondition(TGeneratedStatement& statement, const TUpdateContext& context, const TRowIdentity& identity);

// Appends a condition true exactly when every column the INSERT posted holds its value and every
// one it left out that the server does not fill is NULL; "1" when there is no such column.
void AppendPostedMatch(TGeneratedStatement& statement, const TUpdateContext& context,
                       const std::set<std::string>& filledByServer);

// Writes the literal of a placeholder's value in the placeholder's form at the end of out.
void AppendParamLiteral(std::string& out, const TDAParamInfo& param, const TValue& value, bool needBackslashes);
// As above, for the value of a field held as 8-bit text or bytes (see StoredBytesOf).
void AppendParamLiteral(std::string& out, const TDAParamInfo& param, std::string_view bytes, bool needBackslashes);
