#include "tools/morvane-query/DatasetRunner.h"

#include "components/MyConnection.h"
#include "components/MyQuery.h"
#include "dataset/DAError.h"
#include "tools/morvane-query/ErrorReport.h"

#include <cstdio>

namespace {

void PrintFields(const TMyQuery& query) {
  for (const auto& field : query.Fields())
    std::printf("%s\t%s\t%d\n", field->FieldName().c_str(), std::string(FieldTypeName(field->DataType())).c_str(),
                field->Size());
}

void PrintRows(TMyQuery& query, TResultSink& output) {
  std::vector<TResultColumn> columns;
  for (const auto& field : query.Fields()) columns.push_back({field->FieldName()});
  output.StartResult(std::move(columns));
  std::string text;
  for (query.First(); !query.Eof(); query.Next()) {
    for (const auto& field : query.Fields()) {
      if (field->IsNull()) {
        output.Value(std::nullopt);
      } else {
        field->GetText(text);
        output.Value(text);
      }
    }
    output.EndRow();
  }
  output.EndResult();
}

// The rows printed before the failure come first.
int Report(TResultSink& output, int code, std::string message) {
  output.Flush();
  ReportLoginError(QueryErrorFrom(code, std::move(message)));
  return 1;
}

}  // namespace

int RunDatasetMode(const TQueryLogin& login, const std::vector<std::string>& statements, bool printFields, bool verbose,
                   TResultSink& output) {
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
                              .CAPath = login.Security.CaPath,
                              .Crl = login.Security.Crl,
                              .CrlPath = login.Security.CrlPath,
                              .Cipher = login.Security.Cipher,
                              .GetServerPublicKey = login.Security.GetServerPublicKey,
                              .EnableClearText = login.Security.EnableClearText,
                              .AllowOldPasswords = login.Security.AllowOldPasswords});
    connection.Connect();
    if (verbose) ReportHost(connection.ConnectedHost());
    query.Name = "query";
    query.SetConnection(&connection);
    for (const std::string& sql : statements) {
      query.SQL().SetText(sql);
      query.Execute();
      if (!query.Active()) continue;
      std::fflush(stdout);
      if (printFields) PrintFields(query);
      PrintRows(query, output);
    }
    return 0;
  } catch (const EDAError& error) {
    return Report(output, error.ErrorCode, error.what());
  } catch (const std::exception& error) {
    return Report(output, 0, error.what());
  }
}
