#include "components/MySQLGenerator.h"

#include "dataset/Exceptions.h"
#include "dataset/RecordValues.h"
#include "components/SqlLiterals.h"
#include "wire/MySqlField.h"
#include "platform/AnsiText.h"

namespace {

class TStatementBuilder {
 public:
  explicit TStatementBuilder(const TUpdateContext& context) : FContext(context) {}
  TGeneratedStatement Result;

  void Add(std::string_view text) { Result.Text += text; }
  void AddName(const TFieldDesc& desc) { Add(QuoteName(desc.ActualName, FContext.QuoteNames)); }
  void AddParam(const TFieldDesc& desc, bool old) {
    Result.Params.push_back({&desc, old, Result.Text.size()});
    Add("?");
  }

  // The condition, then "LIMIT 1" unless it names a row by a primary key or a unique key that
  // holds a value, so that identical rows are never changed or deleted together.
  void AddRowCondition() {
    std::vector<const TFieldDesc*> fields = FContext.KeyFields;
    if (fields.empty() && FContext.IdentityField) fields.push_back(FContext.IdentityField);
    if (fields.empty())
      for (const TFieldDesc* desc : FContext.DataFields)
        if (!IsBlobType(desc->DataType)) fields.push_back(desc);
    bool first = true, unique = false;
    for (const TFieldDesc* desc : fields) {
      if (desc->TableIndex < 0) continue;
      if (!first) Add(" AND ");
      first = false;
      AddName(*desc);
      if (IsFieldNull(*FContext.Data, FContext.OldRecord, *desc)) {
        Add(" IS NULL");
      } else {
        Add(" = ");
        AddParam(*desc, true);
        unique = unique || desc->IsPrimaryKey || (desc->Flags & UNIQUE_KEY_FLAG);
      }
    }
    if (first) throw EDatabaseError("Key fields not found");
    if (!unique) Add("\r\nLIMIT 1");
  }

 private:
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
  std::string table = QuoteName(context.Table, context.QuoteNames);
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
    append(ValueLiteral(ReadFieldValue(*context.Data, record, *param.Field), param.Field->DataType, needBackslashes),
           !IsBytes(*param.Field));
    from = param.Offset + 1;
  }
  append(std::string_view(statement.Text).substr(from), true);
  return text;
}
