// The three MAC byte fields: drawn at random, composed into the MAC text.
#include "app/Birthday.h"
#include "app/MacAddress.h"
#include "app/Random.h"
#include "app/WindowControls.h"
#include "controls/AbNumSpin.h"

#include <QLineEdit>
#include <QPushButton>

void TfrmBirthday::btnGenerateRandomClick() {
  edNote->clear();
  ShowPrompt(cbPixelType, PixelTypePrompt);
  ShowPrompt(cbShieldType, ShieldTypePrompt);
  for (TAbNumSpin* field : {seMAC1, seMAC2, seMAC3}) field->SetValue(RandomByte());
  seMAC1Change();
}

void TfrmBirthday::seMAC1Change() {
  btnCreateBirthCert->setEnabled(true);
}

std::string TfrmBirthday::SpinnersToMAC() {
  int bytes[3];
  int i = 0;
  for (TAbNumSpin* field : {seMAC3, seMAC2, seMAC1}) {
    // A program-written text counts as pending input: the field shows "0A" until it is committed.
    if (field->Value() < 16) field->setText("0" + field->ValueAsHex());
    bytes[i++] = field->ValueAsInt();
  }
  strMAC = MacText(bytes[0], bytes[1], bytes[2]);
  return strMAC;
}
