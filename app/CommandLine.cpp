#include "app/CommandLine.h"

#include "about/FileVersionInfo.h"
#include "platform/ExecutablePath.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

void AnswerInformationOptions(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

  QCommandLineParser parser;
  // The toolkit's own options are single-dash words (-platform, -reverse): read as one name
  // each, none of them is taken for -v or -h.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  // Unknown options are the toolkit's business, so a parse error is no reason to stop here.
  parser.parse(arguments);
  const QString helpAll = "help-all";
  if (!parser.isSet(help) && !parser.isSet(helpAll) && !parser.isSet(version)) return;

  QCoreApplication terminal(argc, argv);
  QCoreApplication::setApplicationName("Morvane");
  // The version the About box shows: the program's own version resource.
  QCoreApplication::setApplicationVersion(QString::fromStdString(TFileVersionInfo().FileVersion()));
  parser.setApplicationDescription(
      QString("Birth certificates for the telescope's sensor pixels: connects to the project's database, "
              "records new pixels and writes their cert.ini.\n"
              "The pixel and shield types are read from %1.")
          .arg(QString::fromStdString(ExecutableSibling(".ini").string())));
  if (parser.isSet(version)) parser.showVersion();
  if (parser.isSet(help)) parser.showHelp();
  // --help-all adds the toolkit's options, which only the parser's full processing prints.
  parser.process(terminal);
}
