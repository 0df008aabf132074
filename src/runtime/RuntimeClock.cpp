// Quorva run-time. Licensed under the MIT licence.
#include "runtime/RuntimeClock.h"

#include <QDateTime>
#include <QLocale>

#include "runtime/SystemVariables.h"

namespace runtime {

namespace {

QDateTime LocalTime(std::chrono::system_clock::time_point when)
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    return QDateTime::fromMSecsSinceEpoch(ms.count());
}

// The day that day numbers count from.
const QDate kDayZero(1899, 12, 30);

} // namespace

std::string ShortDateText(std::chrono::system_clock::time_point when)
{
    const QDate date = LocalTime(when).date();
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        return date.toString(QStringLiteral("dd/MM/yyyy")).toStdString();
    return locale.toString(date, QLocale::ShortFormat).toStdString();
}

std::string TimeText(std::chrono::system_clock::time_point when)
{
    return LocalTime(when).time().toString(QStringLiteral("HH:mm:ss")).toStdString();
}

void RefreshClockVariables(SystemVariables& cells, std::chrono::system_clock::time_point now)
{
    const QDateTime local = LocalTime(now);
    const QDate date = local.date();
    const QTime time = local.time();
    cells.SetReal(SystemVariableId::CDATE, static_cast<long double>(kDayZero.daysTo(date)));
    cells.SetReal(SystemVariableId::CTIME,
                  static_cast<long double>(time.msecsSinceStartOfDay()) / 86400000.0L);
    cells.SetString(SystemVariableId::SCDATE, ShortDateText(now));
    cells.SetString(SystemVariableId::SCTIME, TimeText(now));
    cells.SetWord(SystemVariableId::CYEAR, static_cast<std::uint16_t>(date.year()));
    cells.SetByte(SystemVariableId::CMONTH, static_cast<std::uint8_t>(date.month()));
    cells.SetByte(SystemVariableId::CDAY, static_cast<std::uint8_t>(date.day()));
    cells.SetByte(SystemVariableId::CHOUR, static_cast<std::uint8_t>(time.hour()));
    cells.SetByte(SystemVariableId::CMIN, static_cast<std::uint8_t>(time.minute()));
    cells.SetByte(SystemVariableId::CSEC, static_cast<std::uint8_t>(time.second()));
    cells.SetByte(SystemVariableId::CHSEC, static_cast<std::uint8_t>(time.msec() & 0xFF));
}

} // namespace runtime
