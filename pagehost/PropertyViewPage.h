#pragma once
// Base of a page shown in a CPropertyView: a child dialog that knows its
// host view, takes numbered messages (it is a MessageWindow, so the host
// and the main frame can post to its handle) and decides itself whether it
// may be left or entered.
#include <QObject>
#include <QSize>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "platform/WindowRuntime.h"

class QKeyEvent;

namespace zembra {

class CPropertyView;

class CPropertyViewPage : public QWidget, public MessageWindow {
  Q_OBJECT

 public:
  // templateId names the page's dialog; templateSize is the size the page
  // is laid out for (an empty size takes the widget's size hint). A
  // non-empty caption replaces the window title the page gives itself.
  CPropertyViewPage(int templateId, QSize templateSize, const QString& caption = {});
  ~CPropertyViewPage() override;

  int TemplateId() const { return m_templateId; }
  CPropertyView* HostView() const { return m_hostView; }
  bool IsFirstActivation() const { return m_firstActivation; }
  int PageWidth() const { return m_pageWidth; }
  int PageHeight() const { return m_pageHeight; }
  QString Caption() const { return m_caption; }
  // True while the page window exists (between a successful Create and
  // DestroyPage).
  bool IsCreated() const { return m_created; }

  // Makes the page a child of `parent`, records its size and builds its
  // controls (OnInitDialog). False, with nothing left behind, on failure.
  virtual bool Create(QWidget* parent);
  void DestroyPage();

  // The page is about to be shown. The first call after the page was added
  // only clears the first-activation flag; later calls refresh the
  // controls from the members. False refuses the activation.
  virtual bool OnSetActive();
  // The page is about to be left: reads the controls back; false (invalid
  // input) keeps the page.
  virtual bool OnKillActive();
  // Refreshes the controls from the members, then OnPageUpdate.
  virtual void OnResetPage();
  // A change in the document; nothing to do in the base page.
  virtual void OnPageUpdate(QObject* sender, std::intptr_t hint, QObject* object);

  // Data exchange between controls and members: save = true reads the
  // controls into the members and returns false when an entry is invalid;
  // save = false writes the members into the controls.
  virtual bool UpdateData(bool save);

  // The page's share of keyboard pre-translation; true when it consumed
  // the key. The host's navigation keys are always left alone so they
  // reach the view.
  bool PreTranslateKey(const QKeyEvent& event);
  static bool IsHostNavigationKey(const QKeyEvent& event);

  // Only for the host view.
  void AttachToHost(CPropertyView* view) { m_hostView = view; }
  void SetFirstActivation(bool first) { m_firstActivation = first; }

 protected:
  // Builds the page's controls once its window exists; false fails Create.
  virtual bool OnInitDialog() { return true; }
  // Keys the page wants for itself (never sees the host's navigation keys).
  virtual bool OnPreTranslateKey(const QKeyEvent&) { return false; }

 private:
  int m_templateId;
  CPropertyView* m_hostView = nullptr;
  bool m_firstActivation = false;
  QSize m_templateSize;
  int m_pageWidth = 0;
  int m_pageHeight = 0;
  QString m_caption;
  bool m_created = false;
  bool m_controlsBuilt = false;
};

}  // namespace zembra
