#pragma once
// The messages of a batch run shown as message boxes.

#include "batch/BatchSinks.h"

#include <QPointer>
#include <QWidget>

class MessageBoxSink : public MessageSink {
public:
    explicit MessageBoxSink(QWidget* owner = nullptr) : m_owner(owner) {}
    void Information(const QString& caption, const QString& text) override;

private:
    QPointer<QWidget> m_owner;
};
