#pragma once
// Champ de saisie qui signale la perte du focus, pour lier le gestionnaire
// OnExit par son nom dans les formulaires.

#include <QFocusEvent>
#include <QLineEdit>

class TEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TEdit(QWidget* parent = nullptr) : QLineEdit(parent) {}

signals:
    void Exit();

protected:
    // Le focus quitte le champ pour un autre contrôle de la fenêtre ; passer à
    // une autre fenêtre ou ouvrir le menu contextuel le laisse au champ.
    void focusOutEvent(QFocusEvent* event) override
    {
        QLineEdit::focusOutEvent(event);
        if (event->reason() != Qt::ActiveWindowFocusReason &&
            event->reason() != Qt::PopupFocusReason)
            emit Exit();
    }
};
