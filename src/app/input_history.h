// InputHistory: the lines sent from the input line, walked with the Up and Down keys in it, as
// in a shell: Up shows the line sent before the one shown, Down the one after, and Down past
// the newest brings back what was being typed. It keeps the last 500 lines, one after another
// the same counted once, in a UTF-8 text file (one line each, oldest first) that is rewritten at
// every new line, so it survives a restart and a crash. Main thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLineEdit;

namespace kelvane {

class InputHistory : public QObject
{
    Q_OBJECT
public:
    static constexpr int Limit = 500;

    // Watches the keys of `line`; reads the history from `file` when it is there.
    InputHistory(QLineEdit *line, QString file, QObject *parent = nullptr);

    // A line was sent. Empty lines and lines with a line break are not kept.
    void add(const QString &line);
    const QStringList &lines() const { return m_lines; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void load();
    void save() const;
    void show(qsizetype position);

    QLineEdit *m_line;
    QString m_file;
    QStringList m_lines;
    qsizetype m_position = 0; // m_lines.size(): the line being typed
    QString m_draft; // what was being typed when the walk began
};

} // namespace kelvane
