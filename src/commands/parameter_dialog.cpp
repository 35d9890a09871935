#include "commands/parameter_dialog.h"

#include "framework/cp1251_text.h"
#include "framework/guarded.h"

#include <QAbstractButton>

namespace kelvane {

ParameterDialog::ParameterDialog(
    TBComPort &port, ErrorSink &errors, Qt::WindowFlags titleBar, QWidget *parent)
    : QDialog(parent, titleBar), m_port(port), m_errors(errors)
{ }

void ParameterDialog::fixSize()
{
    setFixedSize(size());
}

void ParameterDialog::onClick(QAbstractButton *button, std::function<void()> handler)
{
    connect(button, &QAbstractButton::clicked, this, guarded(m_errors, std::move(handler)));
}

std::string ParameterDialog::bytes(const QString &text)
{
    return toCp1251(text);
}

} // namespace kelvane
