#include "app/line_lamps.h"

#include <QLabel>

namespace kelvane {

void LineLamps::set(Line line, bool on)
{
    m_on[line] = on;
    m_images[line]->setPixmap(QPixmap(on ? QStringLiteral(":/ON") : QStringLiteral(":/OFF")));
}

void LineLamps::show(const TModemLines &lines)
{
    set(Cts, lines.contains(mlCTS));
    set(Dsr, lines.contains(mlDSR));
    set(Rlsd, lines.contains(mlRLSD));
}

} // namespace kelvane
