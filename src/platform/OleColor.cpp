#include "OleColor.h"

namespace lorvane {

QColor oleColorToQColor(quint32 value, const QPalette& p) {
    if ((value & 0x80000000u) == 0)
        return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                      static_cast<int>((value >> 16) & 0xFF));
    switch (value & 0xFF) {
    case 5: return p.color(QPalette::Base);             // window background
    case 6: return p.color(QPalette::Dark);             // window frame
    case 7: return p.color(QPalette::Text);             // menu text
    case 8: return p.color(QPalette::WindowText);       // window text
    case 13: return p.color(QPalette::Highlight);
    case 14: return p.color(QPalette::HighlightedText);
    case 15: return p.color(QPalette::Button);          // button face
    case 16: return p.color(QPalette::Shadow);          // button shadow
    case 17: return p.color(QPalette::Disabled, QPalette::Text);
    case 18: return p.color(QPalette::ButtonText);
    case 20: return p.color(QPalette::Light);           // button highlight
    case 23: return p.color(QPalette::ToolTipText);
    case 24: return p.color(QPalette::ToolTipBase);
    default: return p.color(QPalette::Window);
    }
}

}  // namespace lorvane
