// SPDX-License-Identifier: GPL-3.0-or-later
#include "cliformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include "csv/csvtext.h"

namespace mt::cli {

namespace {

QString Padded(const QString& text, int width) {
    return text + QString(std::max(0, width - DisplayWidth(text)), QLatin1Char(' '));
}

QJsonObject ContextObject(const ReadingContext& context, const Reading& reading) {
    QJsonObject object;
    object.insert(QStringLiteral("time"), CsvTimeText(reading.startedAt));
    object.insert(QStringLiteral("port"), context.port);
    object.insert(QStringLiteral("family"), context.family);
    object.insert(QStringLiteral("address"), context.address);
    object.insert(QStringLiteral("mode"),
                  context.mode.isEmpty() ? QJsonValue() : QJsonValue(context.mode));
    object.insert(QStringLiteral("requests"), static_cast<int>(reading.requests.size()));
    object.insert(QStringLiteral("accepted"), reading.accepted());
    return object;
}

QString HeadingLine(const ReadingContext& context, const Reading& reading) {
    return QStringLiteral("# %1  %2  %3 %4%5  %6/%7\n")
        .arg(CsvTimeText(reading.startedAt), context.port, context.family)
        .arg(context.address)
        .arg(context.mode.isEmpty() ? QString() : QStringLiteral("  ") + context.mode)
        .arg(reading.accepted())
        .arg(reading.requests.size());
}

QString OutcomeName(AnswerOutcome outcome) {
    switch (outcome) {
        case AnswerOutcome::Accepted:
            return QStringLiteral("accepted");
        case AnswerOutcome::NoAnswer:
            return QStringLiteral("no answer");
        case AnswerOutcome::BadCrc:
            return QStringLiteral("CRC error");
        case AnswerOutcome::Exception:
            return QStringLiteral("exception");
        case AnswerOutcome::Malformed:
            return QStringLiteral("malformed");
        case AnswerOutcome::Late:
            return QStringLiteral("late");
    }
    return {};
}

QString VerdictKey(Verdict verdict) {
    switch (verdict) {
        case Verdict::Normal:
            return QStringLiteral("normal");
        case Verdict::Attention:
            return QStringLiteral("attention");
        case Verdict::Fault:
            return QStringLiteral("fault");
        case Verdict::NoData:
            return QStringLiteral("no-data");
    }
    return {};
}

QString FindKind(SearchFind::Kind kind) {
    switch (kind) {
        case SearchFind::Kind::Meter:
            return QStringLiteral("meter");
        case SearchFind::Kind::OtherDevice:
            return QStringLiteral("other-device");
        case SearchFind::Kind::BadCrc:
            return QStringLiteral("bad-crc");
        case SearchFind::Kind::Garbled:
            return QStringLiteral("garbled");
        case SearchFind::Kind::LateAnswer:
            return QStringLiteral("late-answer");
        case SearchFind::Kind::LineRefused:
            return QStringLiteral("line-refused");
    }
    return {};
}

}  // namespace

QByteArray FormatBusRecord(Format format, const QString& port, quint64 round,
                           const QDateTime& roundEnd, const BusMeterStatus& meter, bool first) {
    QHash<QString, QString> fresh;
    for (auto it = meter.texts.constBegin(); it != meter.texts.constEnd(); ++it) {
        if (meter.fresh(it.key(), round)) {
            fresh.insert(it.key(), it.value());
        }
    }
    const BusFigures f = BusFiguresOf(fresh);
    const QString family = meter.meter.kind == MeterKind::PanelMount ? QStringLiteral("panel")
                                                                     : QStringLiteral("rail");
    QString state;
    switch (meter.state) {
        case BusState::Waiting:
            state = QStringLiteral("waiting");
            break;
        case BusState::Online:
            state = QStringLiteral("online");
            break;
        case BusState::Offline:
            state = QStringLiteral("offline");
            break;
        case BusState::Disabled:
            state = QStringLiteral("disabled");
            break;
    }
    const std::optional<double> response =
        meter.counts.lastResponseMs >= 0 && !fresh.isEmpty()
            ? std::optional<double>(static_cast<double>(meter.counts.lastResponseMs))
            : std::nullopt;
    const std::optional<QString> wiring = meter.wiring && !fresh.isEmpty()
                                              ? std::optional<QString>(VerdictText(*meter.wiring))
                                              : std::nullopt;
    const std::vector<std::pair<const char*, std::optional<double>>> figures{
        {"voltage", f.phaseVoltage},
        {"ia", f.ia},
        {"ib", f.ib},
        {"ic", f.ic},
        {"p_total", f.pTotal},
        {"power_factor", f.powerFactor},
        {"frequency", f.frequency},
        {"response_ms", response}};
    const auto number = [](const std::optional<double>& v) {
        return v ? QString::number(*v, 'g', 10) : QString();
    };
    switch (format) {
        case Format::Table: {
            QString out;
            if (first) {
                out += QStringLiteral("# %1\n").arg(port);
                out += Padded(QStringLiteral("round"), 7) + Padded(QStringLiteral("address"), 9) +
                       Padded(QStringLiteral("state"), 10) + Padded(QStringLiteral("U"), 9) +
                       Padded(QStringLiteral("Ia"), 9) + Padded(QStringLiteral("Ib"), 9) +
                       Padded(QStringLiteral("Ic"), 9) + Padded(QStringLiteral("P"), 12) +
                       Padded(QStringLiteral("PF"), 10) + Padded(QStringLiteral("f"), 8) +
                       Padded(QStringLiteral("ms"), 6) + QStringLiteral("wiring  name\n");
            }
            const auto cell = [&](const std::optional<double>& v, int width) {
                return Padded(v ? QString::number(*v, 'g', 6) : QStringLiteral("-"), width);
            };
            out += Padded(QString::number(round), 7) +
                   Padded(QString::number(meter.meter.address), 9) +
                   Padded(BusStateText(meter.state), 10) + cell(f.phaseVoltage, 9) + cell(f.ia, 9) +
                   cell(f.ib, 9) + cell(f.ic, 9) + cell(f.pTotal, 12) + cell(f.powerFactor, 10) +
                   cell(f.frequency, 8) + cell(response, 6) +
                   Padded(wiring.value_or(QStringLiteral("-")), 8) + meter.meter.name;
            while (out.endsWith(QLatin1Char(' '))) {
                out.chop(1);
            }
            return (out + QLatin1Char('\n')).toUtf8();
        }
        case Format::Csv: {
            QByteArray out;
            if (first) {
                QStringList header{"round", "time", "port", "address", "name", "family", "state"};
                for (const auto& [key, value] : figures) {
                    header << QString::fromLatin1(key);
                }
                header << "requests"
                       << "accepted"
                       << "wiring";
                out += CsvLine(header);
            }
            QStringList row{QString::number(round),
                            CsvTimeText(roundEnd),
                            port,
                            QString::number(meter.meter.address),
                            meter.meter.name,
                            family,
                            state};
            for (const auto& [key, value] : figures) {
                row << number(value);
            }
            row << QString::number(meter.counts.requests) << QString::number(meter.counts.accepted)
                << wiring.value_or(QString());
            return out + CsvLine(row);
        }
        case Format::Json: {
            QJsonObject object;
            object.insert(QStringLiteral("round"), static_cast<qint64>(round));
            object.insert(QStringLiteral("time"), CsvTimeText(roundEnd));
            object.insert(QStringLiteral("port"), port);
            object.insert(QStringLiteral("address"), meter.meter.address);
            object.insert(QStringLiteral("name"), meter.meter.name);
            object.insert(QStringLiteral("family"), family);
            object.insert(QStringLiteral("state"), state);
            for (const auto& [key, value] : figures) {
                object.insert(QString::fromLatin1(key), value ? QJsonValue(*value) : QJsonValue());
            }
            object.insert(QStringLiteral("requests"), meter.counts.requests);
            object.insert(QStringLiteral("accepted"), meter.counts.accepted);
            object.insert(QStringLiteral("wiring"), wiring ? QJsonValue(*wiring) : QJsonValue());
            return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        }
    }
    return {};
}

QString VerdictWord(AccuracyVerdict verdict) {
    switch (verdict) {
        case AccuracyVerdict::Pass:
            return QStringLiteral("pass");
        case AccuracyVerdict::Fail:
            return QStringLiteral("fail");
        case AccuracyVerdict::TooCoarse:
            return QStringLiteral("too-coarse");
        case AccuracyVerdict::NoReference:
            return QStringLiteral("no-reference");
        case AccuracyVerdict::NoLimit:
            return QStringLiteral("not-judged");
    }
    return {};
}

QByteArray FormatTestPoint(Format format, const QString& port, const AccuracyRun& run, int point,
                           bool first) {
    const PointResult& result = run.results().at(point);
    const TestPoint& p = run.plan().points.at(point);
    struct Record {
        const TestPosition* position = nullptr;
        QString quantity;
        QString unit;
        std::optional<double> reference;
        std::optional<double> reading;
        std::optional<double> stddev;
        std::optional<double> error;
        std::optional<double> limit;
        std::optional<AccuracyVerdict> verdict;
        int readings = 0;
        QString note;
    };
    std::vector<Record> records;
    for (int k = 0; k < run.positions().size() && k < result.positions.size(); ++k) {
        const TestPosition& position = run.positions().at(k);
        const PositionResult& pr = result.positions.at(k);
        if (pr.reference || !position.meter.enabled) {
            continue;
        }
        if (p.kind == PointKind::Error) {
            for (const Quantity q : p.judged) {
                Record r;
                r.position = &position;
                r.quantity = QuantityCode(q);
                r.unit = QuantityUnit(q);
                r.reference = result.reference[static_cast<std::size_t>(q)];
                if (const auto& j = pr.quantities[static_cast<std::size_t>(q)]) {
                    r.reading = j->reading.mean;
                    r.stddev = j->reading.stddev;
                    r.error = j->error;
                    r.limit = j->limit;
                    r.verdict = j->verdict;
                    r.readings = j->reading.count;
                }
                r.note = pr.note;
                records.push_back(r);
            }
        } else {
            Record r;
            r.position = &position;
            r.quantity = QStringLiteral("E");
            r.unit = QStringLiteral("kWh");
            if (pr.startKwh && pr.endKwh) {
                r.reading = *pr.endKwh - *pr.startKwh;
                r.reference = p.kind == PointKind::Energy ? result.referenceAdvanceKwh : 0.0;
            }
            r.error = pr.energyError;
            r.limit = pr.energyLimit;
            r.verdict = pr.registerVerdict;
            r.note = pr.note;
            records.push_back(r);
        }
    }
    const QString kind = PointKindText(p.kind);
    const QString set = run.setPointText(point);
    const QString state = result.state == PointState::Done      ? QStringLiteral("done")
                          : result.state == PointState::Stopped ? QStringLiteral("stopped")
                          : result.state == PointState::Skipped ? QStringLiteral("skipped")
                                                                : QStringLiteral("not-run");
    const auto number = [](const std::optional<double>& v) {
        return v ? QString::number(*v, 'g', 10) : QString();
    };
    QByteArray out;
    switch (format) {
        case Format::Table: {
            QString text;
            if (first) {
                text += QStringLiteral("# %1\n").arg(port);
                text += Padded(QStringLiteral("point"), 7) + Padded(QStringLiteral("address"), 9) +
                        Padded(QStringLiteral("quantity"), 10) +
                        Padded(QStringLiteral("reference"), 13) +
                        Padded(QStringLiteral("reading"), 13) +
                        Padded(QStringLiteral("error"), 11) + Padded(QStringLiteral("limit"), 10) +
                        QStringLiteral("verdict\n");
            }
            text += QStringLiteral("# %1 %2 %3\n").arg(point + 1).arg(PointKindShown(p.kind), set);
            for (const Record& r : records) {
                const QString unit =
                    r.quantity == QLatin1String("PF") ? QString() : QStringLiteral("%");
                QString line =
                    Padded(QString::number(point + 1), 7) +
                    Padded(QString::number(r.position->meter.address), 9) + Padded(r.quantity, 10) +
                    Padded(
                        r.reference ? QString::number(*r.reference, 'g', 7) : QStringLiteral("-"),
                        13) +
                    Padded(r.reading ? QString::number(*r.reading, 'g', 7) : QStringLiteral("-"),
                           13) +
                    Padded(r.error ? QString::number(*r.error, 'f',
                                                     r.quantity == QLatin1String("PF") ? 4 : 3) +
                                         unit
                                   : QStringLiteral("-"),
                           11) +
                    Padded(r.limit ? QStringLiteral("±") + QString::number(*r.limit, 'g', 3) + unit
                                   : QStringLiteral("-"),
                           10) +
                    (r.verdict ? VerdictText(*r.verdict) : r.note);
                text += line + QLatin1Char('\n');
            }
            return text.toUtf8();
        }
        case Format::Csv: {
            if (first) {
                out += CsvLine({"port", "point", "kind", "set", "state", "address", "name",
                                "family", "quantity", "unit", "reference", "reading", "stddev",
                                "error", "limit", "verdict", "readings", "note"});
            }
            for (const Record& r : records) {
                out += CsvLine({port, QString::number(point + 1), kind, set, state,
                                QString::number(r.position->meter.address), r.position->meter.name,
                                r.position->meter.kind == MeterKind::PanelMount
                                    ? QStringLiteral("panel")
                                    : QStringLiteral("rail"),
                                r.quantity, r.unit, number(r.reference), number(r.reading),
                                number(r.stddev), number(r.error), number(r.limit),
                                r.verdict ? VerdictWord(*r.verdict) : QString(),
                                QString::number(r.readings), r.note});
            }
            return out;
        }
        case Format::Json: {
            const auto value = [](const std::optional<double>& v) {
                return v ? QJsonValue(*v) : QJsonValue();
            };
            for (const Record& r : records) {
                QJsonObject object;
                object.insert(QStringLiteral("port"), port);
                object.insert(QStringLiteral("point"), point + 1);
                object.insert(QStringLiteral("kind"), kind);
                object.insert(QStringLiteral("set"), set);
                object.insert(QStringLiteral("state"), state);
                object.insert(QStringLiteral("address"), r.position->meter.address);
                object.insert(QStringLiteral("name"), r.position->meter.name);
                object.insert(QStringLiteral("family"),
                              r.position->meter.kind == MeterKind::PanelMount
                                  ? QStringLiteral("panel")
                                  : QStringLiteral("rail"));
                object.insert(QStringLiteral("quantity"), r.quantity);
                object.insert(QStringLiteral("unit"), r.unit);
                object.insert(QStringLiteral("reference"), value(r.reference));
                object.insert(QStringLiteral("reading"), value(r.reading));
                object.insert(QStringLiteral("stddev"), value(r.stddev));
                object.insert(QStringLiteral("error"), value(r.error));
                object.insert(QStringLiteral("limit"), value(r.limit));
                object.insert(QStringLiteral("verdict"),
                              r.verdict ? QJsonValue(VerdictWord(*r.verdict)) : QJsonValue());
                object.insert(QStringLiteral("readings"), r.readings);
                object.insert(QStringLiteral("note"),
                              r.note.isEmpty() ? QJsonValue() : QJsonValue(r.note));
                out += QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
            }
            return out;
        }
    }
    return {};
}

QByteArray FindCsvHeader() {
    return CsvLine({"port", "kind", "address", "settings", "family", "response_ms", "detail"});
}

QByteArray FormatFind(Format format, const QString& port, const SearchFind& find, bool first) {
    const QString settings =
        QStringLiteral("%1,%2,8,1").arg(find.line.baud).arg(QLatin1Char(find.line.parity));
    const QString family = !find.family                            ? QString()
                           : *find.family == MeterKind::PanelMount ? QStringLiteral("panel")
                                                                   : QStringLiteral("rail");
    const QString response =
        find.responseMs >= 0 ? QString::number(find.responseMs, 'f', 1) : QString();
    QString detail = find.detail;
    if (find.kind == SearchFind::Kind::OtherDevice) {
        detail = QStringLiteral("exception %1").arg(find.exceptionCode, 2, 16, QLatin1Char('0'));
    }
    switch (format) {
        case Format::Table: {
            QString out;
            if (first) {
                out += QStringLiteral("# %1\n%2%3%4%5%6\n")
                           .arg(port, Padded(QStringLiteral("address"), 9),
                                Padded(QStringLiteral("settings"), 14),
                                Padded(QStringLiteral("family"), 8),
                                Padded(QStringLiteral("ms"), 8), QStringLiteral("found"));
            }
            out += Padded(QString::number(find.address), 9) + Padded(settings, 14) +
                   Padded(family.isEmpty() ? QStringLiteral("-") : family, 8) +
                   Padded(response.isEmpty() ? QStringLiteral("-") : response, 8) +
                   FindKind(find.kind) +
                   (detail.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(detail));
            return (out + QLatin1Char('\n')).toUtf8();
        }
        case Format::Csv: {
            QByteArray out;
            if (first) {
                out += CsvLine(
                    {"port", "kind", "address", "settings", "family", "response_ms", "detail"});
            }
            return out + CsvLine({port, FindKind(find.kind), QString::number(find.address),
                                  settings, family, response, detail});
        }
        case Format::Json: {
            QJsonObject object;
            object.insert(QStringLiteral("port"), port);
            object.insert(QStringLiteral("kind"), FindKind(find.kind));
            object.insert(QStringLiteral("address"), find.address);
            object.insert(QStringLiteral("settings"), settings);
            object.insert(QStringLiteral("family"),
                          family.isEmpty() ? QJsonValue() : QJsonValue(family));
            object.insert(QStringLiteral("response_ms"),
                          find.responseMs >= 0 ? QJsonValue(find.responseMs) : QJsonValue());
            object.insert(QStringLiteral("detail"),
                          detail.isEmpty() ? QJsonValue() : QJsonValue(detail));
            return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        }
    }
    return {};
}

int DisplayWidth(const QString& text) {
    int width = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6);
        width += c.isLowSurrogate() ? 0 : (wide ? 2 : 1);
    }
    return width;
}

QByteArray FormatReading(Format format, const ReadingContext& context, const Reading& reading,
                         bool first) {
    switch (format) {
        case Format::Table: {
            int captionWidth = 0;
            int textWidth = 0;
            for (const FieldReading& field : reading.fields) {
                captionWidth = std::max(captionWidth, DisplayWidth(field.caption));
                textWidth = std::max(textWidth, DisplayWidth(field.text));
            }
            QString out = HeadingLine(context, reading);
            for (const FieldReading& field : reading.fields) {
                out +=
                    Padded(field.caption, captionWidth + 2) +
                    Padded(field.text.isEmpty() ? QStringLiteral("-") : field.text, textWidth + 1) +
                    field.unit;
                while (out.endsWith(QLatin1Char(' '))) {
                    out.chop(1);
                }
                out += QLatin1Char('\n');
            }
            return out.toUtf8();
        }
        case Format::Csv: {
            QByteArray out;
            if (first) {
                out += CsvLine({"time", "port", "family", "address", "key", "caption", "text",
                                "value", "unit"});
            }
            for (const FieldReading& field : reading.fields) {
                out += CsvLine(
                    {CsvTimeText(reading.startedAt), context.port, context.family,
                     QString::number(context.address), field.key, field.caption, field.text,
                     field.value ? QString::number(*field.value, 'g', 15) : QString(), field.unit});
            }
            return out;
        }
        case Format::Json: {
            QJsonObject object = ContextObject(context, reading);
            QJsonArray fields;
            for (const FieldReading& field : reading.fields) {
                QJsonObject f;
                f.insert(QStringLiteral("key"), field.key);
                f.insert(QStringLiteral("caption"), field.caption);
                f.insert(QStringLiteral("text"),
                         field.text.isEmpty() ? QJsonValue() : QJsonValue(field.text));
                f.insert(QStringLiteral("value"),
                         field.value ? QJsonValue(*field.value) : QJsonValue());
                f.insert(QStringLiteral("unit"), field.unit);
                fields.append(f);
            }
            object.insert(QStringLiteral("fields"), fields);
            return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        }
    }
    return {};
}

QByteArray FormatChecks(Format format, const ReadingContext& context, const Reading& reading,
                        const std::vector<CheckResult>& results, const QString& conclusion) {
    switch (format) {
        case Format::Table: {
            QString out = HeadingLine(context, reading);
            int nameWidth = 0;
            for (const CheckResult& r : results) {
                nameWidth = std::max(nameWidth, DisplayWidth(r.name));
            }
            for (const CheckResult& r : results) {
                out += Padded(VerdictText(r.verdict), 8) + Padded(r.name, nameWidth + 2) +
                       r.figures + QLatin1Char('\n');
                if (!r.advice.isEmpty()) {
                    out +=
                        QString(8 + nameWidth + 2, QLatin1Char(' ')) + r.advice + QLatin1Char('\n');
                }
            }
            out += conclusion + QLatin1Char('\n');
            return out.toUtf8();
        }
        case Format::Csv: {
            QByteArray out = CsvLine({"time", "port", "family", "address", "check", "name",
                                      "verdict", "verdict_text", "figures", "advice"});
            for (const CheckResult& r : results) {
                out +=
                    CsvLine({CsvTimeText(reading.startedAt), context.port, context.family,
                             QString::number(context.address), QString::fromLatin1(r.id), r.name,
                             VerdictKey(r.verdict), VerdictText(r.verdict), r.figures, r.advice});
            }
            return out;
        }
        case Format::Json: {
            QJsonObject object = ContextObject(context, reading);
            QJsonArray checks;
            for (const CheckResult& r : results) {
                QJsonObject c;
                c.insert(QStringLiteral("id"), QString::fromLatin1(r.id));
                c.insert(QStringLiteral("name"), r.name);
                c.insert(QStringLiteral("verdict"), VerdictKey(r.verdict));
                c.insert(QStringLiteral("verdict_text"), VerdictText(r.verdict));
                c.insert(QStringLiteral("figures"), r.figures);
                c.insert(QStringLiteral("advice"), r.advice);
                checks.append(c);
            }
            object.insert(QStringLiteral("checks"), checks);
            object.insert(QStringLiteral("conclusion"), conclusion);
            return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
        }
    }
    return {};
}

QString OutcomeLine(const RequestOutcome& outcome) {
    QString line = QStringLiteral("fc %1 start %2 count %3: %4 (%5 ms)")
                       .arg(outcome.step.function)
                       .arg(outcome.step.start)
                       .arg(outcome.step.count)
                       .arg(OutcomeName(outcome.check.outcome))
                       .arg(outcome.ms);
    if (outcome.check.outcome == AnswerOutcome::Exception) {
        line +=
            QStringLiteral(", code %1").arg(outcome.check.exceptionCode, 2, 16, QLatin1Char('0'));
    }
    return line;
}

QString SummaryLine(int readings, int requests, int accepted) {
    return QStringLiteral("metertest-cli: %1 reading(s), %2 request(s), %3 accepted, %4 failed")
        .arg(readings)
        .arg(requests)
        .arg(accepted)
        .arg(requests - accepted);
}

}  // namespace mt::cli
