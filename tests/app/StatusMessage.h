#pragma once
// Whether the window's status bar shows its message whole.
#include "app/StatusBar.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

// The message panel holds the whole text (path breaks aside), needs no more lines than it has,
// and lies inside the window; nothing is left to a tooltip.
inline ::testing::AssertionResult ShowsMessageWhole(const TStatusBar& bar) {
  QApplication::processEvents();  // the window lays itself out again for a longer message
  const QLabel* panel = bar.Panel(1);
  if (QString(panel->text()).remove(QChar(0x200B)) != bar.Message())
    return ::testing::AssertionFailure() << "shown: " << panel->text().toStdString();
  if (panel->heightForWidth(panel->width()) > panel->height())
    return ::testing::AssertionFailure() << panel->heightForWidth(panel->width()) << " pixels needed, "
                                         << panel->height() << " given";
  const QRect inWindow(panel->mapTo(panel->window(), QPoint(0, 0)), panel->size());
  if (!panel->window()->rect().contains(inWindow)) return ::testing::AssertionFailure() << "outside the window";
  if (!panel->toolTip().isEmpty()) return ::testing::AssertionFailure() << "left to a tooltip";
  return ::testing::AssertionSuccess();
}
