#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

// The program's one log: every Qt message goes to standard error and to a daily file
// "Quillhost_log_yyyyMMdd.txt" in the "logs" folder of the per-user application data.

QString logDirPath();
QString logFilePath();
void ensureLogDir();
// Removes log files whose name carries a date more than 7 days before today.
void cleanupOldLogs(const QDate &today = QDate::currentDate());
void initLogging();
void logMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &message);

// Files past this many bytes are moved aside before the next line is written.
constexpr qint64 kLogRotateBytes = 10485760;
