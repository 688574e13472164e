#include "tools/morvane-query/DatasetRunner.h"

#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "dataset/DAError.h"

#include <cstdio>

namespace {

void PrintFields(const TMyQuery& query) {
  for (const auto& field : query.Fields())
    std::printf("%s\t%s\t%d\n", field->FieldName().c_str(), std::string(FieldTypeName(field->DataType())).c_str(),
                field->Size());
}

void PrintRows(TMyQuery& query, TBatchOutput& output) {
  std::vector<std::string> names;
  for (const auto& field : query.Fields()) names.push_back(field->FieldName());
  output.WriteHeader(names);
  std::string text;
  for (query.First(); !query.Eof(); query.Next()) {
    for (const auto& field : query.Fields()) {
      if (field->IsNull()) {
        output.WriteNull();
      } else {
        field->GetText(text);
        output.WriteValue(text);
      }
    }
    output.EndRow();
  }
}

int Report(int code, std::string message) {
  if (message.rfind("\r\n", 0) == 0) message.erase(0, 2);
  std::fflush(stdout);
  std::fprintf(stderr, "ERROR %d: %s\n", code, message.c_str());
  return 1;
}

}  // namespace

int RunDatasetMode(const TQueryLogin& login, const std::vector<std::string>& statements, bool printFields, bool verbose,
                   TBatchOutput& output) {
  TMyConnection connection;
  TMyQuery query;
  try {
    connection.LoginPrompt = false;
    connection.SetServer(login.Host);
    if (login.Port) connection.SetPort(login.Port);
    connection.SetUsername(login.User);
    connection.SetPassword(login.Password);
    connection.SetDatabase(login.Database);
    connection.Options.SetUseUnicode(true);
    connection.Options.IPVersion = ivIPBoth;
    connection.Options.SetCompress(login.Compress);
    if (login.TimeoutSeconds) connection.SetConnectionTimeout(login.TimeoutSeconds);
    connection.SetSSLOptions({.Mode = std::string(SslModeName(login.Security.Mode)),
                              .CA = login.Security.Ca,
                              .Cert = login.Security.Cert,
                              .Key = login.Security.Key,
                              .ServerPublicKey = login.Security.ServerPublicKey,
                              .GetServerPublicKey = login.Security.GetServerPublicKey,
                              .EnableClearText = login.Security.EnableClearText});
    connection.Connect();
    if (verbose) ReportHost(connection.ConnectedHost());
    query.Name = "query";
    query.SetConnection(&connection);
    query.CommandTimeout = login.TimeoutSeconds;
    for (const std::string& sql : statements) {
      query.SQL().SetText(sql);
      query.Execute();
      if (!query.Active()) continue;
      output.Flush();
      if (printFields) PrintFields(query);
      PrintRows(query, output);
    }
    output.Flush();
    return 0;
  } catch (const EDAError& error) {
    return Report(error.ErrorCode, error.what());
  } catch (const std::exception& error) {
    return Report(0, error.what());
  }
}
