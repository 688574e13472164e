#include "components/RowIdentity.h"

#include "components/SqlLiterals.h"
#include "dataset/Exceptions.h"
#include "dataset/RecordValues.h"
#include "wire/MySqlField.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool IsText(const TFieldDesc& desc) {
  if (desc.CharsetNr == CHARSET_BINARY) return false;
  switch (desc.MyType) {
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
      return true;
    default:
      return false;
  }
}

bool IsDecimal(const TFieldDesc& desc) {
  if (desc.MyType == MYSQL_TYPE_NEWDECIMAL) return true;
  // Type 0 is also what a description built by hand leaves, so the record's type has to agree.
  return desc.MyType == MYSQL_TYPE_DECIMAL && (desc.DataType == dtFloat || desc.DataType == dtBCD ||
                                               desc.DataType == dtFMTBCD || desc.DataType == dtCurrency);
}

bool IsFloatingPoint(const TFieldDesc& desc) {
  return desc.MyType == MYSQL_TYPE_FLOAT || desc.MyType == MYSQL_TYPE_DOUBLE;
}

void AppendParam(TGeneratedStatement& statement, const TFieldDesc& desc, bool old, TLiteralForm form) {
  statement.Params.push_back({&desc, old, statement.Text.size(), form});
  statement.Text += '?';
}

// A bound of the values stored that the server shows as the value read (see TLiteralForm).
std::string NearLiteral(const TFieldDesc& desc, double value, bool above, bool needBackslashes) {
  if (IsDateTimeType(desc.DataType)) {
    // The record keeps the milliseconds: the rest of the millisecond lies after them, before them
    // for a negative time.
    std::string literal = ValueLiteral(value, desc.DataType, needBackslashes, 3);
    if (above != (desc.DataType == dtTime && value < 0) && literal.find('.') != std::string::npos)
      literal.insert(literal.size() - 1, "999");
    return literal;
  }
  if (value == 0) return "0";
  const int digitsShown = desc.MyType == MYSQL_TYPE_FLOAT ? 6 : 15;
  // Rounded to the digits shown, the stored value lies within half a unit of the last one; a little
  // more allows for the rounding of this arithmetic.
  const double halfDigit = 0.5000001 * std::pow(10.0, std::floor(std::log10(std::fabs(value))) - digitsShown + 1);
  return ValueLiteral(above ? value + halfDigit : value - halfDigit, dtFloat, needBackslashes);
}

}  // namespace

bool ComparesExactly(const TFieldDesc& desc, TValueOrigin origin) {
  if (origin == TValueOrigin::Posted) return true;
  // The record keeps milliseconds, the server's text of a FLOAT six digits and of a DOUBLE fifteen.
  return !IsFloatingPoint(desc) && !(IsDateTimeType(desc.DataType) && desc.Scale > 3);
}

TRowIdentity IdentifyRow(const TUpdateContext& context) {
  TRowIdentity identity;
  identity.ByKey =
      !context.KeyFields.empty() && std::all_of(context.KeyFields.begin(), context.KeyFields.end(), [&](auto* desc) {
        return !IsFieldNull(*context.Data, context.OldRecord, *desc) && ComparesExactly(*desc, TValueOrigin::Read);
      });
  if (identity.ByKey) {
    identity.Compared = context.KeyFields;
  } else {
    for (const TFieldDesc* desc : context.DataFields)
      (ComparesExactly(*desc, TValueOrigin::Read) ? identity.Compared : identity.NotExact).push_back(desc);
  }
  auto computed = [](const TFieldDesc* desc) { return desc->TableIndex < 0; };
  std::erase_if(identity.Compared, computed);
  std::erase_if(identity.NotExact, computed);
  return identity;
}

std::string NotToldApart(const TRowIdentity& identity) {
  std::string names;
  for (const TFieldDesc* desc : identity.NotExact) names += (names.empty() ? "" : ", ") + desc->Name;
  return "This row cannot be told apart from other rows: no key names it, and " + names +
         " cannot be compared exactly (a floating-point number shows fewer digits than it holds, a time finer than "
         "milliseconds is not kept). Nothing was changed.";
}

void AppendExactMatch(TGeneratedStatement& statement, const TUpdateContext& context, const TFieldDesc& desc, bool old,
                      TValueOrigin origin) {
  const std::string name = QuoteIdentifier(desc.ActualName, context.QuoteNames);
  statement.Text += name;
  if (IsFieldNull(*context.Data, old ? context.OldRecord : context.NewRecord, desc)) {
    statement.Text += " IS NULL";
  } else if (IsText(desc)) {
    // The collation finds the candidates by index; the bytes in the session's character set, as
    // the value crossed it, tell 'a' from 'A' and 'x' from 'x '.
    const TLiteralForm form = desc.MyType == MYSQL_TYPE_STRING ? TLiteralForm::FixedText : TLiteralForm::Value;
    statement.Text += " = ";
    AppendParam(statement, desc, old, form);
    statement.Text += " AND BINARY CONVERT(" + name + " USING " + context.Charset + ") = ";
    AppendParam(statement, desc, old, form);
  } else if (IsDecimal(desc)) {
    statement.Text += " = CAST(";
    AppendParam(statement, desc, old, TLiteralForm::Decimal);
    statement.Text += " AS DECIMAL(65," + std::to_string(std::clamp(desc.Scale, 0, 38)) + "))";
  } else {
    statement.Text += " = ";
    const bool storedFloat = origin == TValueOrigin::Posted && desc.MyType == MYSQL_TYPE_FLOAT;
    AppendParam(statement, desc, old, storedFloat ? TLiteralForm::StoredFloat : TLiteralForm::Value);
  }
}

void AppendRowCondition(TGeneratedStatement& statement, const TUpdateContext& context, const TRowIdentity& identity) {
  if (identity.Compared.empty() && identity.NotExact.empty()) throw EDatabaseError("Key fields not found");
  for (std::size_t i = 0; i < identity.Compared.size(); ++i) {
    if (i) statement.Text += " AND ";
    const TFieldDesc& desc = *identity.Compared[i];
    if (identity.ByKey) {
      // The key's own comparison finds its one row, and the index serves it.
      statement.Text += QuoteIdentifier(desc.ActualName, context.QuoteNames) + " = ";
      AppendParam(statement, desc, true, TLiteralForm::Value);
    } else {
      AppendExactMatch(statement, context, desc, true, TValueOrigin::Read);
    }
  }
  for (std::size_t i = 0; i < identity.NotExact.size(); ++i) {
    if (i || !identity.Compared.empty()) statement.Text += " AND ";
    const TFieldDesc& desc = *identity.NotExact[i];
    statement.Text += QuoteIdentifier(desc.ActualName, context.QuoteNames);
    if (IsFieldNull(*context.Data, context.OldRecord, desc)) {
      statement.Text += " IS NULL";
      continue;
    }
    statement.Text += " BETWEEN ";
    AppendParam(statement, desc, true, TLiteralForm::NearBelow);
    statement.Text += " AND ";
    AppendParam(statement, desc, true, TLiteralForm::NearAbove);
  }
  if (!identity.ByKey) statement.Text += "\r\nLIMIT 1";
}

void AppendPostedMatch(TGeneratedStatement& statement, const TUpdateContext& context,
                       const std::set<std::string>& filledByServer) {
  std::size_t matches = 0;
  for (const TFieldDesc* desc : context.DataFields) {
    if (desc->TableIndex < 0) continue;
    const bool posted = context.UpdateAllFields || !IsFieldNull(*context.Data, context.NewRecord, *desc);
    // A column left out holds the server's value: NULL unless the server fills it in.
    if (!posted && filledByServer.contains(desc->ActualName)) continue;
    statement.Text += matches++ ? " AND " : "(";
    AppendExactMatch(statement, context, *desc, false, TValueOrigin::Posted);
  }
  statement.Text += matches ? ") IS TRUE" : "1";
}

void AppendParamLiteral(std::string& out, const TDAParamInfo& param, const TValue& value, bool needBackslashes) {
  const TFieldDesc& desc = *param.Field;
  if (!IsNullValue(value)) switch (param.Form) {
      case TLiteralForm::Value:
        break;
      case TLiteralForm::FixedText:
        if (const auto* text = std::get_if<std::string>(&value)) {
          AppendParamLiteral(out, param, std::string_view(*text), needBackslashes);
          return;
        }
        break;
      case TLiteralForm::Decimal:
        if (const auto* number = std::get_if<double>(&value)) {
          char text[400];
          out.append(text, std::to_chars(text, text + sizeof text, *number, std::chars_format::fixed).ptr);
          return;
        }
        break;
      case TLiteralForm::StoredFloat:
        if (const auto* number = std::get_if<double>(&value)) {
          AppendValueLiteral(out, static_cast<double>(static_cast<float>(*number)), dtFloat, needBackslashes);
          return;
        }
        break;
      case TLiteralForm::NearBelow:
      case TLiteralForm::NearAbove:
        if (const auto* number = std::get_if<double>(&value)) {
          out += NearLiteral(desc, *number, param.Form == TLiteralForm::NearAbove, needBackslashes);
          return;
        }
        break;
    }
  AppendValueLiteral(out, value, desc.DataType, needBackslashes, desc.Scale);
}

void AppendParamLiteral(std::string& out, const TDAParamInfo& param, std::string_view bytes, bool needBackslashes) {
  if (param.Form == TLiteralForm::FixedText)
    while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  AppendQuotedString(out, bytes, needBackslashes);
}
