#pragma once
// An owner-drawn button with its own fixed font and text colour that keeps its
// text in a member as well (the owner may ask for it without going to the
// widget). Has no note.
#include <QColor>
#include <QPushButton>
#include <string>

namespace kvl {

class CFontButton : public QPushButton {
  Q_OBJECT

 public:
  // Style bits: kStyleHidden, kStyleDisabled.
  CFontButton(unsigned style, int x, int y, int w, int h, QWidget* parent, int id, const QString& text = {});

  bool SetTextIfChanged(const QString& text);
  bool SetTextIfChanged(const std::string& utf8);
  const QString& Text() const { return text_; }

  // Stores the colour and repaints only when it differs from the stored one.
  void SetTextColor(const QColor& color);
  QColor TextColor() const { return textColor_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  QColor textColor_;
};

}  // namespace kvl
