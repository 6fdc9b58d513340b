// SPDX-License-Identifier: MIT
#include "runreport.h"

#include "files/paths.h"
#include "messages.h"

using namespace Qt::StringLiterals;

namespace hy3 {

namespace {

QString resultWords(Outcome::Result result, bool dryRun)
{
    switch (result) {
    case Outcome::Result::Converted:
        return dryRun ? Messages::tr("変換します") : Messages::tr("変換しました");
    case Outcome::Result::Unchanged:
        return Messages::tr("同じ内容のため、そのままにしました");
    case Outcome::Result::NoRecords:
        return Messages::tr("変換していません (データ行なし)");
    case Outcome::Result::Kept:
        return Messages::tr("残しました");
    case Outcome::Result::Failed:
        return Messages::tr("変換できませんでした");
    case Outcome::Result::NotRun:
        return Messages::tr("変換していません (中止)");
    }
    return {};
}

} // namespace

CsvReport::CsvReport(Output out, bool dryRun)
    : m_out(std::move(out))
    , m_dryRun(dryRun)
{
    m_out("\xEF\xBB\xBF");
    row({Messages::tr("変換元"), Messages::tr("変換先"), Messages::tr("結果"), Messages::tr("理由"),
         Messages::tr("データ行数"), Messages::tr("前の内容の保存先")});
}

QString CsvReport::cell(const QString &text)
{
    QString value = text;
    // Excel runs a cell that starts like a formula; as text it only shows.
    if (!value.isEmpty() && (value[0] == u'=' || value[0] == u'+' || value[0] == u'-' || value[0] == u'@'
                             || value[0] == u'\t' || value[0] == u'\r'))
        value.prepend(u'\'');
    if (!value.contains(u',') && !value.contains(u'"') && !value.contains(u'\n') && !value.contains(u'\r'))
        return value;
    return u'"' + value.replace(u"\""_s, u"\"\""_s) + u'"';
}

void CsvReport::row(const QStringList &cells)
{
    QStringList written;
    for (const QString &text : cells)
        written.append(cell(text));
    m_out((written.join(u',') + u"\r\n"_s).toUtf8());
}

void CsvReport::add(const Outcome &outcome)
{
    const bool failed = outcome.result == Outcome::Result::Failed;
    const bool counted = outcome.result != Outcome::Result::Failed && outcome.result != Outcome::Result::NotRun;
    row({fs::shown(outcome.source), fs::shown(outcome.destination), resultWords(outcome.result, m_dryRun),
         failed ? Messages::failureOf(outcome) : QString(), counted ? QString::number(outcome.records) : QString(),
         outcome.backup.isEmpty() ? QString() : fs::shown(outcome.backup)});
}

void CsvReport::addProblem(const QString &path, const Failure &failure)
{
    row({fs::shown(path), QString(), resultWords(Outcome::Result::Failed, m_dryRun), Messages::failure(path, failure),
         QString(), QString()});
}

} // namespace hy3
