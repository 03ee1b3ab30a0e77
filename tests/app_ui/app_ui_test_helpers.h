#pragma once

#include <QAbstractItemModel>
#include <QComboBox>
#include <QStandardItemModel>
#include <QStringList>

#include "app/app_test_helpers.h"
#include "base/modal_alert.h"

// Answers alerts from a script: a button index and, for alerts with a text field, what the user
// typed. Records every alert.
class ScriptedAlerts : public OVModalAlertRunner {
  public:
    struct Answer {
        int button = 0;
        QString text;
    };

    int runModalAlert(OVModalAlert& alert) override {
        alerts.append(alert);
        const Answer answer = answers.isEmpty() ? Answer{} : answers.takeFirst();
        if (alert.hasTextField) {
            alert.textFieldValue = answer.text;
        }
        return answer.button;
    }

    QList<Answer> answers;
    QList<OVModalAlert> alerts;
};

// The titles of a pop-up's items; separators read as "---".
inline QStringList popupTitles(const QComboBox* popup) {
    QStringList titles;
    for (int index = 0; index < popup->count(); ++index) {
        const bool separator = popup->itemData(index, Qt::AccessibleDescriptionRole).toString() ==
                               QLatin1String("separator");
        titles.append(separator ? QStringLiteral("---") : popup->itemText(index));
    }
    return titles;
}

inline bool popupItemEnabled(const QComboBox* popup, int index) {
    const auto* model = qobject_cast<const QStandardItemModel*>(popup->model());
    return model && model->item(index) && model->item(index)->isEnabled();
}

// Chooses the item titled `title` as a user would: selects it and sends the pop-up's action.
inline void choose(QComboBox* popup, const QString& title) {
    const int index = popup->findText(title);
    if (index < 0) {
        return;
    }
    popup->setCurrentIndex(index);
    emit popup->activated(index);
}
