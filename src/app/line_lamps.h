// LineLamps: the main window's lamps of the port's input lines CTS, DSR and RLSD, each an image
// that shows ON or OFF.
#pragma once

#include "serial/com_types.h"

#include <array>

class QLabel;

namespace kelvane {

class LineLamps
{
public:
    enum Line { Cts, Dsr, Rlsd };

    void setImages(QLabel *cts, QLabel *dsr, QLabel *rlsd) { m_images = {cts, dsr, rlsd}; }
    void set(Line line, bool on);
    // Each lamp from the lines that are on; every lamp off for none.
    void show(const TModemLines &lines);
    bool on(Line line) const { return m_on[line]; }

private:
    std::array<QLabel *, 3> m_images {};
    std::array<bool, 3> m_on {};
};

} // namespace kelvane
