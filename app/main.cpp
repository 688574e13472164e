#include "about/uAbout.h"
#include "app/Application.h"
#include "app/Birthday.h"
#include "app/CommandLine.h"
#include "app/Random.h"

int main(int argc, char** argv) {
  AnswerInformationOptions(argc, argv);
  Randomize();
  TApplication application(argc, argv);
  TfrmBirthday frmBirthday;
  frmAbout = new TfrmAbout(&frmBirthday);
  frmBirthday.show();
  return application.exec();
}
