#pragma once

#include <QString>

// The window's own style sheet, set on top of the application skin.
namespace WindowStyle {
QString styleSheet();
}
