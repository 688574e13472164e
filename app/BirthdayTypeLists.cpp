// The pixel and shield type boxes, filled from the INI file beside the program.
#include "app/Birthday.h"
#include "app/TypeLists.h"
#include "app/WindowControls.h"
#include "platform/ExecutablePath.h"
#include "platform/IniFile.h"

#include <QComboBox>

void TfrmBirthday::FillTypeLists() {
  TIniFile ini(ExecutableSibling(".ini"));
  for (const std::string& type : ReadTypeList(ini, "PixelType")) cbPixelType->addItem(QString::fromStdString(type));
  for (const std::string& type : ReadTypeList(ini, "ShieldType")) cbShieldType->addItem(QString::fromStdString(type));
  // Adding the first item chooses it; the prompts must stay until the technician picks a type.
  ShowPrompt(cbPixelType, PixelTypePrompt);
  ShowPrompt(cbShieldType, ShieldTypePrompt);
}
