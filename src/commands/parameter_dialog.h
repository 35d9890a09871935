// ParameterDialog: what the dialogs that build drive commands with a parameter share. Each is a
// fixed-size dialog on the main window's port; it is hidden, not destroyed, when it closes, so its
// fields keep their contents from one showing to the next.
#pragma once

#include "base/error_sink.h"

#include <QDialog>
#include <functional>
#include <string>

class QAbstractButton;
class QString;

namespace kelvane {

class TBComPort;

class ParameterDialog : public QDialog
{
    Q_OBJECT
public:
    // `errors` receives what escapes the dialog's handlers; it outlives the dialog.
    ParameterDialog(TBComPort &port, ErrorSink &errors, Qt::WindowFlags titleBar, QWidget *parent);

protected:
    // Fixes the size the window was laid out with.
    void fixSize();
    // Runs `handler` when `button` is clicked; an error stops it and is shown.
    void onClick(QAbstractButton *button, std::function<void()> handler);
    // The bytes a field's text goes out as.
    static std::string bytes(const QString &text);

    TBComPort &m_port;
    ErrorSink &m_errors;
};

// The title bars the dialogs have.
namespace TitleBar {
inline constexpr Qt::WindowFlags NoButtons
    = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint;
inline constexpr Qt::WindowFlags CloseOnly = NoButtons | Qt::WindowCloseButtonHint;
} // namespace TitleBar

} // namespace kelvane
