#pragma once
// The installed font family that stands in for a Windows font the captions were laid out for.
#include <QString>

// The family to draw a Windows font with: the family itself when the system has it; otherwise the
// scalable metric-compatible face of the Windows emulation's font package, when that is installed
// (its Tahoma for Tahoma and MS Sans Serif); otherwise the narrowest sans family there is, so that
// captions laid out for the Windows font still fit.
QString WindowsFontFamily(const QString& family);
