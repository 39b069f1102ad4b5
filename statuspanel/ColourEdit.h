#pragma once
// A read-only edit box with its own background colour, text colour and
// font, used for the indicators of the status strip.
#include <QColor>
#include <QFont>
#include <QLineEdit>

namespace zembra {

class CEditEx : public QLineEdit {
  Q_OBJECT

 public:
  explicit CEditEx(QWidget* parent = nullptr);

  void SetBackColour(const QColor& colour);
  void SetTextColour(const QColor& colour);
  void SetTextFont(const QFont& font);

  QColor BackColour() const { return m_back; }
  QColor TextColour() const { return m_text; }

 private:
  void ApplyPalette();

  QColor m_back;
  QColor m_text;
};

}  // namespace zembra
