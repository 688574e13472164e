#include "components/MySQLGenerator.h"

#include "components/RowIdentity.h"
#include "components/SqlLiterals.h"
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
  void AddNames(const std::vector<const TFieldDesc*>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) Add(", ");
      AddName(*fields[i]);
    }
  }

  void AddRowCondition() { AddRowCondition(IdentifyRow(FContext)); }
  void AddRowCondition(const TRowIdentity& identity) { AppendRowCondition(Result, FContext, identity); }

 private:
  const TUpdateContext& FContext;
};

// The context with the new record's key naming the row (after an INSERT or an UPDATE).
TUpdateContext ByNewKey(const TUpdateContext& context) {
  TUpdateContext lookup = context;
  lookup.OldRecord = context.NewRecord;
  return lookup;
}

// Every value of a statement built ByNewKey is the new record's.
TGeneratedStatement OfNewRecord(TGeneratedStatement statement) {
  for (TDAParamInfo& param : statement.Params) param.Old = false;
  return statement;
}

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

TGeneratedStatement GenerateRowsAlikeCount(const TUpdateContext& context) {
  const TRowIdentity identity = IdentifyRow(context);
  if (identity.ByKey || identity.NotExact.empty()) return {};
  TStatementBuilder b(context);
  b.Add("SELECT COUNT(*) FROM (SELECT DISTINCT ");
  b.AddNames(identity.NotExact);
  b.Add(" FROM " + context.Table + "\r\nWHERE\r\n  ");
  b.AddRowCondition(identity);
  // Two rows are enough to know: the condition's "LIMIT 1" becomes "LIMIT 2".
  b.Result.Text.back() = '2';
  b.Add(") AS alike");
  return b.Result;
}

TGeneratedStatement GenerateStoredRowCheck(const TUpdateContext& context, const std::set<std::string>& filledByServer) {
  return GenerateColumnsRead(context, {}, filledByServer);
}

TGeneratedStatement GenerateChangeCheck(const TUpdateContext& context) {
  const TUpdateContext lookup = ByNewKey(context);
  TStatementBuilder b(lookup);
  b.Add("SELECT (");
  bool first = true;
  for (const TFieldDesc* desc : context.DataFields)
    if (desc->TableIndex >= 0 && Changed(context, *desc)) {
      if (!first) b.Add(" AND ");
      first = false;
      AppendExactMatch(b.Result, lookup, *desc, false, TValueOrigin::Posted);
    }
  if (first) b.Add("1");
  b.Add(") IS TRUE FROM " + context.Table + "\r\nWHERE\r\n  ");
  b.AddRowCondition();
  return OfNewRecord(b.Result);
}

TGeneratedStatement GenerateColumnsRead(const TUpdateContext& context, const std::vector<const TFieldDesc*>& fields,
                                        const std::set<std::string>& filledByServer) {
  const TUpdateContext lookup = ByNewKey(context);
  TStatementBuilder b(lookup);
  b.Add("SELECT ");
  b.AddNames(fields);
  if (!fields.empty()) b.Add(", ");
  AppendPostedMatch(b.Result, lookup, filledByServer);
  b.Add(" FROM " + context.Table + "\r\nWHERE\r\n  ");
  b.AddRowCondition();
  return OfNewRecord(b.Result);
}

const TGeneratedStatement& TInsertStatementCache::For(const TUpdateContext& context) {
  bool same = FValid && context.DataFields == FDataFields && context.Table == FTable &&
              context.QuoteNames == FQuoteNames && context.UpdateAllFields == FUpdateAllFields;
  for (std::size_t i = 0; same && i < FDataFields.size(); ++i) same = FFieldsSet[i] == IsNew(context, *FDataFields[i]);
  if (!same) {
    FStatement = GenerateStatement(stInsert, context);
    FFieldsSet.clear();
    for (const TFieldDesc* desc : context.DataFields) FFieldsSet.push_back(IsNew(context, *desc));
    FDataFields = context.DataFields;
    FTable = context.Table;
    FQuoteNames = context.QuoteNames;
    FUpdateAllFields = context.UpdateAllFields;
    FValid = true;
  }
  return FStatement;
}

void PlaceParamValues(std::string& text, const TGeneratedStatement& statement, const TUpdateContext& context,
                      bool inserting, bool needBackslashes, bool ansi) {
  std::string literal;
  text.clear();
  text.reserve(statement.Text.size() + 32 * statement.Params.size());
  auto appendText = [&](std::string_view piece) {
    if (ansi)
      text += Utf8ToAnsi(piece);
    else
      text += piece;
  };
  // Texts and bytes are quoted from where the record holds them, without a copy of their own.
  auto appendLiteral = [&](std::string& out, const TDAParamInfo& param) {
    const char* record = param.Old && !inserting ? context.OldRecord : context.NewRecord;
    if (const auto bytes = StoredBytesOf(*context.Data, record, *param.Field))
      AppendParamLiteral(out, param, *bytes, needBackslashes);
    else
      AppendParamLiteral(out, param, ReadFieldValue(*context.Data, record, *param.Field), needBackslashes);
  };
  std::size_t from = 0;
  for (const TDAParamInfo& param : statement.Params) {
    appendText(std::string_view(statement.Text).substr(from, param.Offset - from));
    // Written in place, unless the text is to be converted; bytes never are.
    if (ansi && !IsBytes(*param.Field)) {
      literal.clear();
      appendLiteral(literal, param);
      appendText(literal);
    } else {
      appendLiteral(text, param);
    }
    from = param.Offset + 1;
  }
  appendText(std::string_view(statement.Text).substr(from));
}

std::string PlaceParamValues(const TGeneratedStatement& statement, const TUpdateContext& context, bool inserting,
                             bool needBackslashes, bool ansi) {
  std::string text;
  PlaceParamValues(text, statement, context, inserting, needBackslashes, ansi);
  return text;
}
