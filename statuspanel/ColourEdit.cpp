#include "statuspanel/ColourEdit.h"

#include <QPalette>

namespace zembra {

CEditEx::CEditEx(QWidget* parent)
    : QLineEdit(parent), m_back(palette().color(QPalette::Base)), m_text(palette().color(QPalette::Text)) {
  setReadOnly(true);
  setAlignment(Qt::AlignCenter);
  setFocusPolicy(Qt::NoFocus);
}

void CEditEx::SetBackColour(const QColor& colour) {
  if (colour == m_back) return;
  m_back = colour;
  ApplyPalette();
}

void CEditEx::SetTextColour(const QColor& colour) {
  if (colour == m_text) return;
  m_text = colour;
  ApplyPalette();
}

void CEditEx::SetTextFont(const QFont& font) { setFont(font); }

void CEditEx::ApplyPalette() {
  QPalette p = palette();
  // All groups: the indicators must read the same whether or not the main
  // window has the focus, and some styles draw read-only edits with Window.
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(g, QPalette::Base, m_back);
    p.setColor(g, QPalette::Window, m_back);
    p.setColor(g, QPalette::Text, m_text);
  }
  setPalette(p);
  update();
}

}  // namespace zembra
