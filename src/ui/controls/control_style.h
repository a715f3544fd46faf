#pragma once
// Extra style bits a control may be created with (the creation parameter that
// precedes the position). Each class reads the bits that concern it.
class QKeyEvent;
class QWidget;

namespace kvl {

enum ControlStyle : unsigned {
  kStyleNone = 0,
  kStyleHidden = 1u << 0,     // created hidden; its note is hidden with it
  kStyleCenter = 1u << 1,     // statics: text centred horizontally
  kStyleRight = 1u << 2,      // statics: text right-aligned
  kStyleVCenter = 1u << 3,    // statics: text centred vertically (top otherwise)
  kStyleOwnerDraw = 1u << 4,  // buttons: drawn by the control with its text colour
  kStyleDisabled = 1u << 5,   // created disabled
};

// Common start of every control: object name = the decimal identifier (how
// the window and the tests find it), geometry, the hidden and disabled bits.
void SetUpControl(QWidget* control, unsigned style, int x, int y, int w, int h, int id);

// Whether a key event is Enter (main keyboard or keypad): the key the edits
// and drop-down lists swallow.
bool IsEnterKey(const QKeyEvent* event);

constexpr unsigned operator|(ControlStyle a, ControlStyle b) { return unsigned(a) | unsigned(b); }

}  // namespace kvl
