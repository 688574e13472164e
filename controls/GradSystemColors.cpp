#include "controls/GradSystemColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// Palette roles for the system colour indexes, in index order (scroll bar, background, active caption, ...).
constexpr QPalette::ColorRole RoleByIndex[] = {
    QPalette::Button,           // scroll bar
    QPalette::Window,           // desktop
    QPalette::Highlight,        // active caption
    QPalette::Window,           // inactive caption
    QPalette::Window,           // menu
    QPalette::Base,             // window
    QPalette::Shadow,           // window frame
    QPalette::WindowText,       // menu text
    QPalette::Text,             // window text
    QPalette::HighlightedText,  // caption text
    QPalette::Mid,              // active border
    QPalette::Mid,              // inactive border
    QPalette::Dark,             // application workspace
    QPalette::Highlight,        // highlight
    QPalette::HighlightedText,  // highlight text
    QPalette::Button,           // button face
    QPalette::Dark,             // button shadow
    QPalette::PlaceholderText,  // grey text
    QPalette::ButtonText,       // button text
    QPalette::WindowText,       // inactive caption text
    QPalette::Light,            // button highlight
    QPalette::Shadow,           // 3-D dark shadow
    QPalette::Midlight,         // 3-D light
    QPalette::ToolTipText,      // info text
    QPalette::ToolTipBase,      // info background
    QPalette::Window,           // (unused index)
    QPalette::Link,             // hot light
    QPalette::Highlight,        // active caption gradient
    QPalette::Window,           // inactive caption gradient
    QPalette::Highlight,        // menu highlight
    QPalette::Window,           // menu bar
};

}  // namespace

TColor GradColorToRGB(TColor color) {
  if ((color & clSystemColorFlag) == 0) return color & 0x00FFFFFFu;
  std::size_t index = color & 0xFF;
  QPalette::ColorRole role = index < std::size(RoleByIndex) ? RoleByIndex[index] : QPalette::Window;
  QColor resolved = QGuiApplication::palette().color(role);
  return static_cast<TColor>(resolved.red()) | static_cast<TColor>(resolved.green()) << 8 |
         static_cast<TColor>(resolved.blue()) << 16;
}
