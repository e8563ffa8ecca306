// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// metertest-cli's command line, read into what the run needs or the one
// argument that is wrong. Pure: no port, no output.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "link/meterkind.h"

namespace mt::cli {

enum class Command { Read, Check, Search, Bus, Test, Help };
enum class Format { Table, Csv, Json };

struct CliArgs {
    Command command = Command::Help;
    QString helpFor;     // the subcommand whose help was asked for (empty: the program's)
    QString port;        // "comN" or a device path
    int portNumber = 0;  // N of comN; 0 for a device path
    QString settings = QStringLiteral("9600,N,8,1");
    MeterKind family = MeterKind::PanelMount;
    bool familyGiven = false;
    int address = 1;
    bool secondary = false;  // the panel-mount meter's secondary values
    int count = 1;
    bool follow = false;
    int intervalMs = 1000;         // between readings, from start to start
    int timeoutMs = 0;             // answer window per request; 0: the screen's own
    std::optional<Format> format;  // none: table on a terminal, JSON Lines otherwise
    QString language;              // "zh", "en" or empty (the locale's)
    bool verbose = false;
    // search
    std::vector<int> bauds{4800, 9600, 19200, 38400};
    std::vector<char> parities{'N', 'E', 'O'};
    int firstAddress = 1;
    int lastAddress = 247;
    bool firstOnly = false;  // stop at the first meter
    // bus
    QString listFile;  // the bus overview's list file (test: the positions)
    // test
    QString planFile;                           // the accuracy test's plan file
    int referenceAddress = 0;                   // the reference meter's address (from the list)
    QString activeClass = QStringLiteral("1");  // every meter under test's class
    QList<QPair<int, QString>> classes;         // ADDR=CLASS, each its own
    QString recordsFolder;                      // a CSV record per meter written here
    bool prompt = false;  // wait for Enter before each point instead of for the reference
};

struct ParseResult {
    CliArgs args;
    QString error;  // names the wrong argument; empty when the line is good
};

// `arguments` without the program's name.
ParseResult ParseCliArgs(const QStringList& arguments);

// The help texts (plain ASCII English with the screens' Chinese names).
QString ProgramHelp();
QString CommandHelp(const QString& command);

}  // namespace mt::cli
