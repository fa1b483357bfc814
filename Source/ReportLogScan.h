// ReportLogScan: reading a mailing's HTML report back. The report's recipient table has one row
// per address, the address cell right before the error cell, which reads "None" for a message
// that went out. Pure text work; any thread.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The addresses of the rows whose error cell is "None", in table order; nullopt when the text
// holds no "<table" ... "</table" (case ignored).
std::optional<QStringList> FindSentAddressesInReport(const QString& inReport);
