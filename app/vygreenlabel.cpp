#include "vygreenlabel.h"

VyGreenLabel::VyGreenLabel(const QString& text) : QLabel(text, nullptr) {}
