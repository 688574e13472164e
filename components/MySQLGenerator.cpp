#include "components/MySQLGenerator.h"

#include "components/SqlLiterals.h"
#include "dataset/Exceptions.h"
#include "dataset/RecordValues.h"
#include "platform/AnsiText.h"
#include "wire/MySqlField.h"

#include <algorithm>

namespace {

class TStatementBuilder {
 public:
  explicit TStatementBuilder(const TUpdateContext& context) : FContext(context) {}
  TGeneratedStatement Result;

  void Add(std::string_view text) { Result.Text += text; }
  void AddName(const TFieldDesc& desc) { Add(QuoteIdentifier(desc.ActualName, FContext.QuoteNames)); }
  void AddParam(const TFieldDesc& desc, bool old) {
    Result.Params.push_back({&desc, old, Result.Text.size()});
    Add("?");
  }

  // The key names one row while each of its columns holds a value. Otherwise every column that
  // can be compared exactly does, and "LIMIT 1" keeps identical rows from changing together.
  void AddRowCondition() {
    const bool keyed =
        !FContext.KeyFields.empty() && std::none_of(FContext.KeyFields.begin(), FContext.KeyFields.end(),
                                                    [&](const TFieldDesc* desc) { return IsOldNull(*desc); });
    std::vector<const TFieldDesc*> fields;
    if (keyed)
      fields = FContext.KeyFields;
    else
      for (const TFieldDesc* desc : FContext.DataFields)
        if (ComparesExactly(desc->DataType)) fields.push_back(desc);
    std::erase_if(fields, [](const TFieldDesc* desc) { return desc->TableIndex < 0; });
    if (fields.empty()) throw EDatabaseError("Key fields not found");
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) Add(" AND ");
      AddName(*fields[i]);
      if (IsOldNull(*fields[i])) {
        Add(" IS NULL");
      } else {
        Add(" = ");
        AddParam(*fields[i], true);
      }
    }
    if (!keyed) Add("\r\nLIMIT 1");
  }

  // Large objects cannot be compared, floating-point columns not reliably by a decimal literal.
  static bool ComparesExactly(TDataType type) { return !IsBlobType(type) && type != dtFloat && type != dtSingle; }

 private:
  bool IsOldNull(const TFieldDesc& desc) const { return IsFieldNull(*FContext.Data, FContext.OldRecord, desc); }

  const TUpdateContext& FContext;
};

bool IsBytes(const TFieldDesc& desc) {
  switch (desc.DataType) {
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
    case dtBlob:
      return true;
    default:
      return desc.CharsetNr == CHARSET_BINARY;
  }
}

bool IsNew(const TUpdateContext& c, const TFieldDesc& desc) {
  return c.UpdateAllFields || !IsFieldNull(*c.Data, c.NewRecord, desc);
}

bool Changed(const TUpdateContext& c, const TFieldDesc& desc) {
  return c.UpdateAllFields || ReadFieldValue(*c.Data, c.OldRecord, desc) != ReadFieldValue(*c.Data, c.NewRecord, desc);
}

}  // namespace

TGeneratedStatement GenerateStatement(TStatementType type, const TUpdateContext& context) {
  TStatementBuilder b(context);
  if (context.Table.empty()) return {};
  const std::string& table = context.Table;
  switch (type) {
    case stInsert: {
      std::vector<const TFieldDesc*> fields;
      for (const TFieldDesc* desc : context.DataFields)
        if (IsNew(context, *desc)) fields.push_back(desc);
      if (fields.empty()) {
        // A row of defaults is still a row: the server decides whether the table takes it.
        b.Add("INSERT INTO " + table + " () VALUES ()");
        break;
      }
      b.Add("INSERT INTO " + table + "\r\n  (");
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) b.Add(", ");
        b.AddName(*fields[i]);
      }
      b.Add(")\r\nVALUES\r\n  (");
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) b.Add(", ");
        b.AddParam(*fields[i], false);
      }
      b.Add(")");
      break;
    }
    case stUpdate: {
      std::vector<const TFieldDesc*> fields;
      for (const TFieldDesc* desc : context.DataFields)
        if (Changed(context, *desc)) fields.push_back(desc);
      if (fields.empty()) return {};
      b.Add("UPDATE " + table + "\r\nSET\r\n  ");
      for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) b.Add(", ");
        b.AddName(*fields[i]);
        b.Add(" = ");
        b.AddParam(*fields[i], false);
      }
      b.Add("\r\nWHERE\r\n  ");
      b.AddRowCondition();
      break;
    }
    case stDelete:
      b.Add("DELETE FROM " + table + "\r\nWHERE\r\n  ");
      b.AddRowCondition();
      break;
    case stRefreshCheckDeleted:
      b.Add("SELECT 1 FROM " + table + "\r\nWHERE\r\n  ");
      b.AddRowCondition();
      break;
    default:
      return {};
  }
  return b.Result;
}

TGeneratedStatement GenerateStoredRowCheck(const TUpdateContext& context) {
  TStatementBuilder b(context);
  std::vector<const TFieldDesc*> fields;
  for (const TFieldDesc* desc : context.DataFields)
    if (IsNew(context, *desc) && desc->TableIndex >= 0 && TStatementBuilder::ComparesExactly(desc->DataType))
      fields.push_back(desc);
  b.Add("SELECT ");
  if (fields.empty()) b.Add("1");
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) b.Add(" AND ");
    b.AddName(*fields[i]);
    b.Add(" <=> ");
    b.AddParam(*fields[i], false);
  }
  b.Add(" FROM " + context.Table + "\r\nWHERE\r\n  ");
  b.AddRowCondition();
  return b.Result;
}

TGeneratedStatement GenerateColumnsRead(const TUpdateContext& context, const std::vector<const TFieldDesc*>& fields) {
  TStatementBuilder b(context);
  b.Add("SELECT ");
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) b.Add(", ");
    b.AddName(*fields[i]);
  }
  b.Add(" FROM " + context.Table + "\r\nWHERE\r\n  ");
  b.AddRowCondition();
  return b.Result;
}

const TGeneratedStatement& TInsertStatementCache::For(const TUpdateContext& context) {
  FScratch.clear();
  for (const TFieldDesc* desc : context.DataFields) FScratch.push_back(IsNew(context, *desc));
  if (!FValid || FScratch != FFieldsSet || context.DataFields != FDataFields || context.Table != FTable ||
      context.QuoteNames != FQuoteNames || context.UpdateAllFields != FUpdateAllFields) {
    FStatement = GenerateStatement(stInsert, context);
    FFieldsSet.swap(FScratch);
    FDataFields = context.DataFields;
    FTable = context.Table;
    FQuoteNames = context.QuoteNames;
    FUpdateAllFields = context.UpdateAllFields;
    FValid = true;
  }
  return FStatement;
}

std::string PlaceParamValues(const TGeneratedStatement& statement, const TUpdateContext& context, bool inserting,
                             bool needBackslashes, bool ansi) {
  std::string text;
  text.reserve(statement.Text.size() + 32 * statement.Params.size());
  auto append = [&](std::string_view piece, bool isText) {
    if (ansi && isText)
      text += Utf8ToAnsi(piece);
    else
      text += piece;
  };
  std::size_t from = 0;
  for (const TDAParamInfo& param : statement.Params) {
    append(std::string_view(statement.Text).substr(from, param.Offset - from), true);
    const char* record = param.Old && !inserting ? context.OldRecord : context.NewRecord;
    append(ValueLiteral(ReadFieldValue(*context.Data, record, *param.Field), param.Field->DataType, needBackslashes,
                        param.Field->Scale),
           !IsBytes(*param.Field));
    from = param.Offset + 1;
  }
  append(std::string_view(statement.Text).substr(from), true);
  return text;
}
