// SPDX-License-Identifier: GPL-3.0-or-later
#include "cliargs.h"

#include <QRegularExpression>

namespace mt::cli {

namespace {

std::optional<int> WholeNumber(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

bool listCommand(Command command) {
    return command == Command::Bus || command == Command::Test;
}

}  // namespace

ParseResult ParseCliArgs(const QStringList& arguments) {
    ParseResult result;
    CliArgs& a = result.args;
    const auto fail = [&](const QString& why) {
        result.error = why;
        return result;
    };
    if (arguments.isEmpty()) {
        return fail(QStringLiteral("no subcommand: read or check (try --help)"));
    }
    const QString& command = arguments.front();
    if (command == QLatin1String("-h") || command == QLatin1String("--help") ||
        command == QLatin1String("help")) {
        a.command = Command::Help;
        a.helpFor = arguments.size() > 1 ? arguments[1] : QString();
        if (!a.helpFor.isEmpty() && a.helpFor != QLatin1String("read") &&
            a.helpFor != QLatin1String("check") && a.helpFor != QLatin1String("search") &&
            a.helpFor != QLatin1String("bus") && a.helpFor != QLatin1String("test")) {
            return fail(QStringLiteral("unknown subcommand '%1'").arg(a.helpFor));
        }
        return result;
    }
    if (command == QLatin1String("read")) {
        a.command = Command::Read;
    } else if (command == QLatin1String("check")) {
        a.command = Command::Check;
    } else if (command == QLatin1String("search")) {
        a.command = Command::Search;
    } else if (command == QLatin1String("bus")) {
        a.command = Command::Bus;
    } else if (command == QLatin1String("test")) {
        a.command = Command::Test;
    } else {
        return fail(QStringLiteral("unknown subcommand '%1' (read, check, search, bus or test)")
                        .arg(command));
    }
    // Help wins over whatever else is on the line, right or wrong.
    if (arguments.contains(QStringLiteral("-h")) || arguments.contains(QStringLiteral("--help"))) {
        a.helpFor = command;
        a.command = Command::Help;
        return result;
    }
    bool countGiven = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& option = arguments[i];
        const QStringList readOptions{"--settings", "--family",   "--address",
                                      "--count",    "--interval", "--secondary"};
        const QStringList searchOptions{"--bauds", "--parities", "--addresses", "--first"};
        const QStringList busOptions{"--list", "--rounds"};
        const QStringList notOnBus{"--family", "--address", "--count", "--secondary"};
        const QStringList testOptions{"--plan", "--reference", "--class", "--records", "--prompt"};
        const QStringList notOnTest{"--family", "--address", "--count",    "--secondary",
                                    "--rounds", "--follow",  "--interval", "--timeout"};
        const bool onList = listCommand(a.command);
        if ((a.command == Command::Search && readOptions.contains(option)) ||
            (a.command != Command::Search && searchOptions.contains(option)) ||
            (!onList && option == QLatin1String("--list")) ||
            (a.command != Command::Bus && option == QLatin1String("--rounds")) ||
            (a.command == Command::Bus && notOnBus.contains(option)) ||
            (a.command != Command::Test && testOptions.contains(option)) ||
            (a.command == Command::Test && notOnTest.contains(option))) {
            return fail(QStringLiteral("%1 is not an option of %2").arg(option, command));
        }
        if (option == QLatin1String("--follow")) {
            a.follow = true;
            continue;
        }
        if (option == QLatin1String("--verbose") || option == QLatin1String("-v")) {
            a.verbose = true;
            continue;
        }
        if (option == QLatin1String("--secondary")) {
            a.secondary = true;
            continue;
        }
        if (option == QLatin1String("--prompt")) {
            a.prompt = true;
            continue;
        }
        if (option == QLatin1String("--first") && a.command == Command::Search) {
            a.firstOnly = true;
            continue;
        }
        const bool takesValue =
            QStringList{"--port",      "--settings",  "--family", "--address", "--count",
                        "--interval",  "--timeout",   "--format", "--lang",    "--bauds",
                        "--parities",  "--addresses", "--list",   "--rounds",  "--plan",
                        "--reference", "--class",     "--records"}
                .contains(option);
        if (!takesValue) {
            return fail(QStringLiteral("unknown option '%1'").arg(option));
        }
        if (i + 1 >= arguments.size()) {
            return fail(QStringLiteral("%1 needs a value").arg(option));
        }
        const QString value = arguments[++i];
        if (option == QLatin1String("--port")) {
            static const QRegularExpression com(QStringLiteral("^com([0-9]{1,2})$"),
                                                QRegularExpression::CaseInsensitiveOption);
            const auto match = com.match(value);
            if (match.hasMatch()) {
                const auto n = WholeNumber(match.captured(1), 1, 16);
                if (!n) {
                    return fail(QStringLiteral("--port '%1': comN is com1 to com16").arg(value));
                }
                a.portNumber = *n;
            } else if (!value.startsWith(QLatin1Char('/'))) {
                return fail(
                    QStringLiteral("--port '%1': comN or a device path such as /dev/ttyUSB0")
                        .arg(value));
            }
            a.port = value;
        } else if (option == QLatin1String("--settings")) {
            a.settings = value.toUpper();
        } else if (option == QLatin1String("--family")) {
            if (value == QLatin1String("panel")) {
                a.family = MeterKind::PanelMount;
            } else if (value == QLatin1String("rail")) {
                a.family = MeterKind::DinRail;
            } else {
                return fail(QStringLiteral("--family '%1': panel or rail").arg(value));
            }
            a.familyGiven = true;
        } else if (option == QLatin1String("--address")) {
            const auto n = WholeNumber(value, 1, 247);
            if (!n) {
                return fail(QStringLiteral("--address '%1': 1 to 247").arg(value));
            }
            a.address = *n;
        } else if (option == QLatin1String("--count")) {
            const auto n = WholeNumber(value, 1, 1000000);
            if (!n) {
                return fail(QStringLiteral("--count '%1': 1 or more").arg(value));
            }
            a.count = *n;
            countGiven = true;
        } else if (option == QLatin1String("--interval")) {
            const auto n = WholeNumber(value, 0, 86400000);
            if (!n) {
                return fail(QStringLiteral("--interval '%1': milliseconds, 0 or more").arg(value));
            }
            a.intervalMs = *n;
        } else if (option == QLatin1String("--timeout")) {
            const auto n = WholeNumber(value, 10, 60000);
            if (!n) {
                return fail(QStringLiteral("--timeout '%1': 10 to 60000 ms").arg(value));
            }
            a.timeoutMs = *n;
        } else if (option == QLatin1String("--format")) {
            if (value == QLatin1String("table")) {
                a.format = Format::Table;
            } else if (value == QLatin1String("csv")) {
                a.format = Format::Csv;
            } else if (value == QLatin1String("json")) {
                a.format = Format::Json;
            } else {
                return fail(QStringLiteral("--format '%1': table, csv or json").arg(value));
            }
        } else if (option == QLatin1String("--list")) {
            a.listFile = value;
        } else if (option == QLatin1String("--plan")) {
            a.planFile = value;
        } else if (option == QLatin1String("--records")) {
            a.recordsFolder = value;
        } else if (option == QLatin1String("--reference")) {
            const auto n = WholeNumber(value, 1, 247);
            if (!n) {
                return fail(QStringLiteral("--reference '%1': an address, 1 to 247").arg(value));
            }
            a.referenceAddress = *n;
        } else if (option == QLatin1String("--class")) {
            // CLASS for every meter under test, or ADDR=CLASS for one.
            const QStringList parts = value.split(QLatin1Char('='));
            const QString cls = parts.back().trimmed().toUpper();
            const auto address = parts.size() == 2 ? WholeNumber(parts.front().trimmed(), 1, 247)
                                                   : std::optional<int>(0);
            static const QStringList known{"0.2S", "0.5S", "1", "2"};
            if (parts.size() > 2 || !address || !known.contains(cls)) {
                return fail(
                    QStringLiteral("--class '%1': 0.2S, 0.5S, 1 or 2, or ADDR=CLASS").arg(value));
            }
            if (*address == 0) {
                a.activeClass = cls;
            } else {
                a.classes.append({*address, cls});
            }
        } else if (option == QLatin1String("--rounds")) {
            const auto n = WholeNumber(value, 1, 1000000);
            if (!n) {
                return fail(QStringLiteral("--rounds '%1': 1 or more").arg(value));
            }
            a.count = *n;
            countGiven = true;
        } else if (option == QLatin1String("--bauds")) {
            a.bauds.clear();
            for (const QString& item : value.split(QLatin1Char(','))) {
                const auto baud = WholeNumber(item.trimmed(), 50, 4000000);
                if (!baud) {
                    return fail(
                        QStringLiteral("--bauds '%1': baud rates such as 9600,19200").arg(value));
                }
                a.bauds.push_back(*baud);
            }
        } else if (option == QLatin1String("--parities")) {
            a.parities.clear();
            for (const QString& item : value.split(QLatin1Char(','))) {
                const QString letter = item.trimmed().toUpper();
                if (letter != QLatin1String("N") && letter != QLatin1String("E") &&
                    letter != QLatin1String("O")) {
                    return fail(
                        QStringLiteral("--parities '%1': n, e and o, such as n,e").arg(value));
                }
                a.parities.push_back(letter.at(0).toLatin1());
            }
        } else if (option == QLatin1String("--addresses")) {
            const QStringList ends = value.split(QLatin1Char('-'));
            const auto first = ends.size() <= 2 ? WholeNumber(ends.front(), 1, 247) : std::nullopt;
            const auto last = ends.size() == 2 ? WholeNumber(ends.back(), 1, 247) : first;
            if (!first || !last || *last < *first) {
                return fail(
                    QStringLiteral("--addresses '%1': N or N-M within 1 to 247").arg(value));
            }
            a.firstAddress = *first;
            a.lastAddress = *last;
        } else if (option == QLatin1String("--lang")) {
            if (value != QLatin1String("zh") && value != QLatin1String("en")) {
                return fail(QStringLiteral("--lang '%1': zh or en").arg(value));
            }
            a.language = value;
        }
    }
    if (a.port.isEmpty()) {
        return fail(QStringLiteral("--port is missing"));
    }
    if (listCommand(a.command) && a.listFile.isEmpty()) {
        return fail(QStringLiteral("--list is missing (the bus overview's list file)"));
    }
    if (a.command == Command::Test && a.planFile.isEmpty()) {
        return fail(QStringLiteral("--plan is missing (the accuracy test's plan file)"));
    }
    if (a.command == Command::Test && a.referenceAddress == 0) {
        return fail(QStringLiteral("--reference is missing (the reference meter's address)"));
    }
    if (!a.familyGiven && a.command != Command::Search && !listCommand(a.command)) {
        return fail(QStringLiteral("--family is missing (panel or rail)"));
    }
    if (a.secondary && a.family != MeterKind::PanelMount) {
        return fail(QStringLiteral("--secondary: only the panel-mount meter has secondary values"));
    }
    if (a.follow && countGiven) {
        return fail(QStringLiteral("--follow: give --count or --follow, not both"));
    }
    if (a.command == Command::Search && a.follow) {
        return fail(QStringLiteral("--follow is not an option of search"));
    }
    if (a.command == Command::Check && (a.follow || a.count != 1)) {
        return fail(
            QStringLiteral("%1: check takes one reading").arg(a.follow ? "--follow" : "--count"));
    }
    return result;
}

QString ProgramHelp() {
    return QStringLiteral(
        "usage: metertest-cli read|check --port comN|DEVICE --family panel|rail [options]\n"
        "       metertest-cli search --port comN|DEVICE [options]\n"
        "       metertest-cli bus --port comN|DEVICE --list FILE [options]\n"
        "       metertest-cli test --port comN|DEVICE --list FILE --plan FILE --reference ADDR\n"
        "\n"
        "Reads a three-phase power meter over Modbus RTU, from a serial line or a\n"
        "network port (docs/network.md), without a window.\n"
        "\n"
        "  read    one complete reading (--count K, or --follow until interrupted):\n"
        "          every field by its screen caption, its text as the monitor shows it,\n"
        "          its number and unit\n"
        "  check   one reading and the three-phase checks: verdict, figures, advice\n"
        "  search  the meter search: every meter found with its address, line\n"
        "          settings and family\n"
        "  bus     rounds over a meter list file (the bus overview's): one record\n"
        "          per meter and round\n"
        "  test    the accuracy test (准确度试验): the meters of a list file against\n"
        "          a reference meter on the same line, point by point from a plan\n"
        "          file: one record per meter, point and quantity\n"
        "\n"
        "Exit status: 0 all good; 1 a check said 注意 or 异常, or a meter under test\n"
        "is not 合格; 2 no answer, no meter found or a line fault; 64 bad usage; 69 the port "
        "cannot be opened;\n"
        "130 interrupted.\n"
        "metertest-cli SUBCOMMAND --help for the options; man metertest-cli.\n");
}

QString CommandHelp(const QString& command) {
    const QString common = QStringLiteral(
        "  --port comN|DEVICE   com1 to com16 as the windows map them (network ports\n"
        "                       included), or a serial device path\n"
        "  --settings TEXT      baud,parity,data,stop (default 9600,N,8,1)\n"
        "  --family panel|rail  panel-mount or DIN-rail meter (required)\n"
        "  --address N          the meter address, 1 to 247 (default 1)\n"
        "  --secondary          the panel-mount meter's secondary values (二次)\n"
        "  --timeout MS         answer window per request (default the screen's:\n"
        "                       500 panel-mount, 200 DIN-rail)\n"
        "  --format table|csv|json  default table on a terminal, json otherwise\n"
        "  --lang zh|en         language of captions and texts (default the locale's)\n"
        "  --verbose, -v        each request's outcome on standard error\n");
    if (command == QLatin1String("read")) {
        return QStringLiteral(
                   "usage: metertest-cli read --port P --family F [options]\n\n"
                   "One complete reading of the meter, or several.\n\n") +
               common +
               QStringLiteral(
                   "  --count K            K readings (default 1)\n"
                   "  --follow             read until interrupted (Ctrl-C)\n"
                   "  --interval MS        from the start of one reading to the next (default "
                   "1000)\n");
    }
    const QString line = QStringLiteral(
        "  --port comN|DEVICE   com1 to com16 as the windows map them (network ports\n"
        "                       included), or a serial device path\n"
        "  --settings TEXT      baud,parity,data,stop (default 9600,N,8,1)\n");
    const QString output = QStringLiteral(
        "  --format table|csv|json  default table on a terminal, json otherwise\n"
        "  --lang zh|en         language of captions and texts (default the locale's)\n");
    if (command == QLatin1String("search")) {
        return QStringLiteral(
                   "usage: metertest-cli search --port P [options]\n\n"
                   "The meter search (搜索仪表): every meter that answers, with its address,\n"
                   "line settings and family.\n\n") +
               QStringLiteral(
                   "  --port comN|DEVICE   com1 to com16 as the windows map them (network ports\n"
                   "                       included), or a serial device path\n"
                   "  --bauds LIST         baud rates to try (default 4800,9600,19200,38400)\n"
                   "  --parities LIST      parities to try, of n, e and o (default n,e,o)\n"
                   "  --addresses N[-M]    addresses to try (default 1-247)\n"
                   "  --first              stop at the first meter found\n") +
               output;
    }
    if (command == QLatin1String("bus")) {
        return QStringLiteral(
                   "usage: metertest-cli bus --port P --list FILE [options]\n\n"
                   "Rounds of the bus overview (总线巡检) over the meters of a list file.\n\n") +
               line +
               QStringLiteral(
                   "  --list FILE          the bus overview's list file (address,name,family,\n"
                   "                       enabled)\n"
                   "  --rounds K           K rounds (default 1)\n"
                   "  --follow             rounds until interrupted (Ctrl-C)\n"
                   "  --interval MS        from the start of one round to the next (default\n"
                   "                       1000; 0 as fast as the line allows)\n") +
               output;
    }
    if (command == QLatin1String("test")) {
        return QStringLiteral(
                   "usage: metertest-cli test --port P --list FILE --plan FILE --reference ADDR\n"
                   "                          [options]\n\n"
                   "The accuracy test (准确度试验): every meter of the list against the\n"
                   "reference meter on the same line, point by point from the plan. Each point\n"
                   "starts once the reference reads its set voltage and current (within 2 %)\n"
                   "steadily for the point's settle time, so a test line sets its source and\n"
                   "waits; with --prompt it starts when Enter is pressed instead. One record\n"
                   "per meter under test, point and quantity: reference, mean reading,\n"
                   "standard deviation, error, limit, verdict.\n\n") +
               line +
               QStringLiteral(
                   "  --list FILE          the meters (the bus overview's list file)\n"
                   "  --plan FILE          the plan file (docs/accuracy.md)\n"
                   "  --reference ADDR     the reference meter's address, one of the list\n"
                   "  --class CLASS        the active class of the meters under test: 0.2S,\n"
                   "                       0.5S, 1 (default) or 2; ADDR=CLASS for one meter\n"
                   "  --records FOLDER     a CSV test record per meter under test, written there\n"
                   "  --prompt             wait for Enter before each point\n") +
               output;
    }
    return QStringLiteral(
               "usage: metertest-cli check --port P --family F [options]\n\n"
               "One reading and the three-phase wiring and plausibility checks.\n\n") +
           common;
}

}  // namespace mt::cli
