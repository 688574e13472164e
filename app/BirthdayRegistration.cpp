// Registering pixels in the main window: the current row in the entry fields, sorting the table
// and creating a birth certificate row.
#include "app/Birthday.h"
#include "app/MacAddress.h"
#include "app/ShortErrorText.h"
#include "app/StatusBar.h"
#include "components/SqlLiterals.h"
#include "controls/AbNumSpin.h"
#include "dataset/DAError.h"
#include "dataset/DateTime.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace {

constexpr const char* DuplicateMessage = "Duplicate entry. Please try again.";
constexpr const char* TableNotOpenMessage = "Open the table with \"Direct Connect To Database\" first.";
constexpr const char* MacBytesMessage = "Enter the MAC bytes as two hexadecimal digits.";
constexpr const char* ChooseTypesMessage = "Choose the pixel and shield type.";
constexpr const char* LookUpText = "Looking up the birth certificate";

// Characters from..from+1 (counting from 1) of a text that may be shorter.
QString Piece(const std::string& text, size_t from) {
  return from <= text.size() ? QString::fromStdString(text.substr(from - 1, 2)) : QString();
}

// The field shown in a grid column (counting from 1), if the query has that many.
TField* ColumnField(const TDataSet& dataSet, size_t column) {
  return column <= dataSet.Fields().size() ? dataSet.Fields()[column - 1].get() : nullptr;
}

}  // namespace

void TfrmBirthday::dsPixelsDataChange() {
  if (entriesHeld_ > 0 || !quPixels.Active()) return;
  entriesPending_ = false;  // a row the technician picked replaces what waited
  FillMAC();
}

void TfrmBirthday::FillMAC() {
  if (!quPixels.Active()) return;
  // The byte fields take program-set text: their change event stays quiet, so the state of
  // "Create Birth Certificate" is not touched.
  if (TField* mac = ColumnField(quPixels, 1); mac && !mac->IsNull()) {
    std::string text = mac->AsString();
    seMAC3->SetValueAsHex(Piece(text, 10));
    seMAC2->SetValueAsHex(Piece(text, 13));
    seMAC1->SetValueAsHex(Piece(text, 16));
  }
  if (TField* pixelType = ColumnField(quPixels, 2); pixelType && !pixelType->IsNull())
    cbPixelType->setEditText(QString::fromStdString(pixelType->AsString()));
  if (TField* shieldType = ColumnField(quPixels, 3); shieldType && !shieldType->IsNull())
    cbShieldType->setEditText(QString::fromStdString(shieldType->AsString()));
  if (TField* note = ColumnField(quPixels, 6); note && !note->IsNull())
    edNote->setText(QString::fromStdString(note->AsString()));
}

QColor TfrmBirthday::gridPixelsDrawColumnCell(int recNo) const {
  // A row being inserted has no positive record number and is painted white.
  return recNo > 0 && recNo % 2 == 0 ? QColor(255, 251, 240) : QColor(255, 255, 255);
}

void TfrmBirthday::gridPixelsTitleClick(const std::string& fieldName) {
  EntriesHold hold(*this, entriesPending_);  // sorting picks no row
  quPixels.DisableControls();
  struct Reattach {
    TMyQuery& query;
    ~Reattach() { query.EnableControls(); }
  } reattach{quPixels};

  // The title is a column name the server reported: one identifier, in backticks when it needs
  // them, so that no title can run as SQL.
  std::string order = gridPixelsTag_ != 0 ? " DESC" : " ASC";
  gridPixelsTag_ = gridPixelsTag_ != 0 ? 0 : 1;
  quPixels.SQL().SetText("SELECT * FROM pixels ORDER BY " + QuoteIdentifier(fieldName, false) + order);
  Wait("Sorting the table of pixels", [this] { quPixels.Execute(); });
}

bool TfrmBirthday::MacBytesEntered() {
  for (TAbNumSpin* field : {seMAC3, seMAC2, seMAC1}) {
    if (!field->CommitText()) {
      sbStatus->ShowMessage(MacBytesMessage);
      return false;
    }
  }
  return true;
}

bool TfrmBirthday::TypesChosen() {
  if (cbPixelType->currentText() != PixelTypePrompt && cbShieldType->currentText() != ShieldTypePrompt) return true;
  sbStatus->ShowMessage(ChooseTypesMessage);
  return false;
}

bool TfrmBirthday::SettleLostBirth() {
  bool stored = false;
  Wait(LookUpText, [&] { stored = BirthIsStored(conDB, *lostBirth_, quPixels.CommandTimeout); });
  std::string mac = lostBirth_->Mac;
  lostBirth_.reset();
  if (stored) ShowStoredRow(mac);
  return stored && mac == strMAC;
}

bool TfrmBirthday::StoredByAnEarlierAttempt(const std::string& mac) {
  bool stored = false;
  try {
    Wait(LookUpText, [&] {
      for (const TPixelBirth& earlier : unsettledBirths_)
        if (!stored && earlier.Mac == mac) stored = BirthIsStored(conDB, earlier, quPixels.CommandTimeout);
    });
  } catch (const std::exception&) {
    // No answer to the look-up: the duplicate is reported as it is.
  }
  return stored;
}

void TfrmBirthday::ShowStoredRow(const std::string& mac) {
  Wait(ReadingPixelsText, [this] { quPixels.Refresh(); });
  for (quPixels.First(); !quPixels.Eof(); quPixels.Next())
    if (quPixels.FieldByName("mac").AsString() == mac) return;
}

void TfrmBirthday::ReportCreationFailure(const std::exception& error, const QString& cancelledWait) {
  const auto* database = dynamic_cast<const EDAError*>(&error);
  bool duplicate = database && database->IsKeyViolation();
  QString text = duplicate ? DuplicateMessage : QString::fromStdString(ShortErrorText(error.what()));
  // A cancelled wait ends as a time-out does.
  if (database && database->TimedOut)
    text = !cancelledWait.isEmpty()
               ? CancelledText(cancelledWait)
               : QString("No answer within the command time-out of %1 seconds.").arg(quPixels.CommandTimeout);
  sbStatus->ShowMessage(text);
  // Only a MAC that is taken needs changing before the next try.
  btnCreateBirthCert->setEnabled(!duplicate);
}

void TfrmBirthday::btnCreateBirthCertClick() {
  sbStatus->ClearMessage();
  if (!MacBytesEntered() || !TypesChosen()) return;
  btnCreateBirthCert->setEnabled(false);
  strMAC = MacText(seMAC3->ValueAsInt(), seMAC2->ValueAsInt(), seMAC1->ValueAsInt());
  // Until stored, the entries are what the technician composed, whatever row a reconnect,
  // a re-read or a discarded insert makes current meanwhile.
  entriesPending_ = true;
  bool stored;
  {
    EntriesHold hold(*this, true);
    stored = StoreBirth();
  }
  if (!stored) return;
  entriesPending_ = false;
  FillMAC();  // the stored row, as the grid shows it
}

bool TfrmBirthday::StoreBirth() {
  if (!conDB.Connected()) {
    HandInputsToConnection(false);
    try {
      Wait(ConnectingText(), [this] { conDB.Connect(); });
      OpenPixels();
    } catch (const std::exception&) {
      if (!ReportIfCancelled()) throw;
      btnCreateBirthCert->setEnabled(true);
      return false;
    }
  }
  // "Test Connection" only logs in; the row needs the table opened.
  if (!quPixels.Active()) {
    sbStatus->ShowMessage(TableNotOpenMessage);
    btnCreateBirthCert->setEnabled(true);
    return false;
  }
  TPixelBirth birth{strMAC, cbPixelType->currentText().toStdString(), cbShieldType->currentText().toStdString(),
                    edNote->text().toStdString(), Now()};
  bool sent = false;
  try {
    // A row whose reply was lost is never sent again before it has been looked up.
    if (lostBirth_ && SettleLostBirth()) return true;
    quPixels.Insert();
    quPixels.FieldByName("birthday").SetAsDateTime(birth.Birthday);
    quPixels.FieldByName("mac").SetAsString(birth.Mac);
    quPixels.FieldByName("pixelType").SetAsString(birth.PixelType);
    quPixels.FieldByName("shieldType").SetAsString(birth.ShieldType);
    quPixels.FieldByName("note").SetAsString(birth.Note);
    sent = true;
    Wait("Storing the birth certificate", [this] { quPixels.Post(); });
    HoldWindow(CreationPause);
    return true;
  } catch (const std::exception& error) {
    // Taken before the look-ups below, which are waits of their own.
    const QString cancelledWait = std::exchange(cancelledWait_, {});
    if (quPixels.State() == dsInsert) quPixels.Cancel();
    const auto* database = dynamic_cast<const EDAError*>(&error);
    if (sent && PostOutcomeUnknown(error)) {
      lostBirth_ = birth;
      unsettledBirths_.push_back(birth);
      try {
        // A statement still running on the server would make a look-up now say nothing of it.
        if (conDB.Connected() && !(database && database->StatementMayStillRun) && SettleLostBirth()) return true;
      } catch (const std::exception&) {
        // Still unknown: looked up again before the next creation.
      }
    }
    // The row of an earlier attempt whose outcome was unknown may have arrived late: it is the
    // technician's own, not a duplicate, when it holds what that attempt sent.
    if (database && database->IsKeyViolation() && StoredByAnEarlierAttempt(birth.Mac)) {
      ShowStoredRow(birth.Mac);
      return true;
    }
    if (quPixels.State() == dsEdit) quPixels.Cancel();
    ReportCreationFailure(error, cancelledWait);
    return false;
  }
}
