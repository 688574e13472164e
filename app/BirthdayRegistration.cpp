// Registering pixels in the main window: the current row in the entry fields, sorting the table
// and creating a birth certificate row.
#include "app/Birthday.h"

#include "app/BusyCursor.h"
#include "app/MacAddress.h"
#include "app/StatusBar.h"
#include "controls/AbNumSpin.h"
#include "data/DateTime.h"
#include "data/SqlLiterals.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <thread>

namespace {

constexpr const char* DuplicateMessage = "Duplicate entry. Please try again.";

// Characters from..from+1 (counting from 1) of a text that may be shorter.
QString Piece(const std::string& text, size_t from)
{
    return from <= text.size() ? QString::fromStdString(text.substr(from - 1, 2)) : QString();
}

// The field shown in a grid column (counting from 1), if the query has that many.
TField* ColumnField(const TDataSet& dataSet, size_t column)
{
    return column <= dataSet.Fields().size() ? dataSet.Fields()[column - 1].get() : nullptr;
}

} // namespace

void TfrmBirthday::dsPixelsDataChange()
{
    FillMAC();
}

void TfrmBirthday::FillMAC()
{
    if (!quPixels.Active())
        return;
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

QColor TfrmBirthday::gridPixelsDrawColumnCell(int recNo) const
{
    // A row being inserted has no positive record number and is painted white.
    return recNo > 0 && recNo % 2 == 0 ? QColor(255, 251, 240) : QColor(255, 255, 255);
}

void TfrmBirthday::gridPixelsTitleClick(const std::string& fieldName)
{
    quPixels.DisableControls();
    struct Reattach {
        TMyQuery& query;
        ~Reattach() { query.EnableControls(); }
    } reattach{quPixels};

    // A name that needs quoting goes in backticks, so that any column title gives valid SQL.
    std::string order = gridPixelsTag_ != 0 ? " DESC" : " ASC";
    gridPixelsTag_ = gridPixelsTag_ != 0 ? 0 : 1;
    quPixels.SQL().SetText("SELECT * FROM pixels ORDER BY " + QuoteName(fieldName, false) + order);
    BusyCursor busy;
    quPixels.Execute();
}

void TfrmBirthday::btnCreateBirthCertClick()
{
    sbStatus->SetPanelText(1, "");
    btnCreateBirthCert->setEnabled(false);
    strMAC = MacText(seMAC3->ValueAsInt(), seMAC2->ValueAsInt(), seMAC1->ValueAsInt());
    if (!conDB.Connected()) {
        HandInputsToConnection(false);
        {
            BusyCursor busy;
            conDB.Connect();
        }
        OpenPixels();
    }
    try {
        quPixels.Insert();
        quPixels.FieldByName("birthday").SetAsDateTime(Now());
        quPixels.FieldByName("mac").SetAsString(strMAC);
        quPixels.FieldByName("pixelType").SetAsString(cbPixelType->currentText().toStdString());
        quPixels.FieldByName("shieldType").SetAsString(cbShieldType->currentText().toStdString());
        quPixels.FieldByName("note").SetAsString(edNote->text().toStdString());
        {
            BusyCursor busy;
            quPixels.Post();
        }
        std::this_thread::sleep_for(CreationPause);
    } catch (const std::exception&) {
        sbStatus->SetPanelText(1, DuplicateMessage);
        if (quPixels.State() == dsInsert)
            quPixels.Cancel();
    }
}
