#include "components/MyDataSetUpdater.h"

#include "dataset/Exceptions.h"

#include <algorithm>
#include <cctype>

namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

std::string Unquoted(std::string name) {
  if (name.size() >= 2 && (name.front() == '`' || name.front() == '"') && name.back() == name.front())
    name = name.substr(1, name.size() - 2);
  return name;
}

std::vector<std::string> SplitNames(const std::string& list) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = std::min(list.find(';', start), list.size());
    std::string name = list.substr(start, end - start);
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty()) names.push_back(Unquoted(name));
    start = end + 1;
  }
  return names;
}

int ChooseTable(TMemData& data, const std::string& updatingTable) {
  std::string wanted = Unquoted(updatingTable);
  if (data.Tables.empty()) {
    if (wanted.empty()) return -1;
    TTableInfo table;
    table.TableName = table.TableAlias = table.FullName = wanted;
    table.NamedByProgram = true;
    data.Tables.push_back(table);
    return 0;
  }
  if (wanted.empty()) return 0;
  for (std::size_t i = 0; i < data.Tables.size(); ++i)
    if (SameText(data.Tables[i].TableName, wanted)) return static_cast<int>(i);
  for (std::size_t i = 0; i < data.Tables.size(); ++i)
    if (SameText(data.Tables[i].TableAlias, wanted)) return static_cast<int>(i);
  throw EDatabaseError(FormatMessage("Wrong UpdatingTable value - table %s is unknown", wanted.c_str()));
}

}  // namespace

TKeyAndDataFields FillKeyAndDataFields(TMemData& data, const std::string& updatingTable, const std::string& keyFields,
                                       const std::string& dataSetName, bool setFieldsReadOnly,
                                       const TTableKeysOf& keysOf) {
  TKeyAndDataFields result;
  result.TableIndex = ChooseTable(data, updatingTable);
  auto belongs = [&](const TFieldDesc& desc) {
    return (result.TableIndex >= 0 && desc.TableIndex == result.TableIndex) ||
           (desc.TableIndex < 0 && !setFieldsReadOnly);
  };
  for (const TFieldDesc& desc : data.Fields) {
    if (belongs(desc) && !desc.ReadOnly) result.DataFieldDescs.push_back(&desc);
    if (!result.IdentityField && desc.IsAutoIncrement && desc.TableIndex >= 0 && desc.TableIndex == result.TableIndex)
      result.IdentityField = &desc;
  }
  if (!keyFields.empty()) {
    for (const std::string& name : SplitNames(keyFields)) {
      auto found = std::find_if(data.Fields.begin(), data.Fields.end(),
                                [&](const TFieldDesc& desc) { return SameText(desc.Name, name); });
      if (found == data.Fields.end())
        throw EDatabaseError(FormatMessage("%s: Key field '%s' not found", dataSetName.c_str(), name.c_str()));
      result.KeyFieldDescs.push_back(&*found);
    }
    return result;
  }
  if (result.TableIndex < 0) return result;
  for (const TTableKey& key : keysOf(data.Tables[static_cast<std::size_t>(result.TableIndex)])) {
    std::vector<const TFieldDesc*> fields;
    for (const std::string& column : key.Columns) {
      auto found = std::find_if(data.Fields.begin(), data.Fields.end(), [&](const TFieldDesc& desc) {
        return desc.TableIndex == result.TableIndex && SameText(desc.ActualName, column);
      });
      if (found == data.Fields.end()) break;
      fields.push_back(&*found);
    }
    if (!key.Columns.empty() && fields.size() == key.Columns.size()) {
      result.KeyFieldDescs = std::move(fields);
      break;
    }
  }
  return result;
}
