#pragma once

#include "common/Captions.h"

#include <QHash>
#include <QString>
#include <span>

class QWidget;

// Sets the captions of a table on the controls that carry their object names.
// Forms are looked up by the name a row gives (empty: the main window); rows
// whose form or control does not exist (yet) are skipped.
class CaptionApplier {
  public:
    void AddForm(const QString& name, QWidget* form) { m_forms.insert(name, form); }
    void Apply(std::span<const ControlCaption> table, int lang) const;
    // One caption on one named control of a form.
    void Apply(const char* form, const char* control, CaptionTarget target, const QString& text) const;

  private:
    QHash<QString, QWidget*> m_forms;
};
