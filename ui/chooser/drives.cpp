// SPDX-License-Identifier: MIT
#include "drives.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/statvfs.h>
#endif

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

std::function<DriveState(const QString &)> &testQuestion()
{
    static std::function<DriveState(const QString &)> ask;
    return ask;
}

#ifndef Q_OS_WIN
bool isPseudoFileSystem(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo{
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs", "pstore",
        "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs", "binfmt_misc",
        "efivarfs", "rpc_pipefs", "nsfs", "selinuxfs", "squashfs", "fuse.gvfsd-fuse", "fuse.portal", "overlay"};
    return pseudo.contains(type);
}

bool isUnder(const QString &root, const QString &folder)
{
    return root == folder || root.startsWith(folder + u'/');
}

bool isSystemPlace(const QString &root)
{
    if (isUnder(root, u"/run/media"_s))
        return false;
    for (const QString &folder : {u"/proc"_s, u"/sys"_s, u"/dev"_s, u"/run"_s, u"/snap"_s, u"/var/lib"_s, u"/boot"_s}) {
        if (isUnder(root, folder))
            return true;
    }
    return false;
}

// "\040" in a mount table stands for a space.
QString unescaped(const QByteArray &field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            out += static_cast<char>(field.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return QFile::decodeName(out);
}
#endif

} // namespace

QList<Drive> drives()
{
    QList<Drive> list;
#ifdef Q_OS_WIN
    wchar_t buffer[512];
    const DWORD length = GetLogicalDriveStringsW(static_cast<DWORD>(std::size(buffer)), buffer);
    for (const wchar_t *at = buffer; length > 0 && length < std::size(buffer) && *at; at += wcslen(at) + 1) {
        const QString root = QDir::fromNativeSeparators(QString::fromWCharArray(at)); // "C:/"
        list.append({root, root.left(2)});
    }
#else
    // The kernel's own table: reading it never waits on a mount.
    QFile table(u"/proc/self/mountinfo"_s);
    QSet<QString> seen{u"/"_s};
    list.append({u"/"_s, u"/"_s});
    if (table.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            const qsizetype separator = fields.indexOf("-");
            if (fields.size() < 5 || separator < 0 || separator + 1 >= fields.size())
                continue;
            const QString root = unescaped(fields[4]);
            if (seen.contains(root) || isPseudoFileSystem(fields[separator + 1]) || isSystemPlace(root))
                continue;
            seen.insert(root);
            list.append({root, root});
        }
    }
    std::sort(list.begin() + 1, list.end(), [](const Drive &a, const Drive &b) { return a.root < b.root; });
#endif
    return list;
}

DriveState askDrive(const QString &root)
{
    if (testQuestion())
        return testQuestion()(root);
    DriveState state;
#ifdef Q_OS_WIN
    wchar_t label[MAX_PATH + 1] = {};
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS); // no "insert a disk" box
    state.ready = GetVolumeInformationW(reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(root).utf16()),
                                        label, MAX_PATH + 1, nullptr, nullptr, nullptr, nullptr, 0);
    SetErrorMode(oldMode);
    state.label = QString::fromWCharArray(label);
#else
    struct statvfs info {};
    state.ready = ::statvfs(QFile::encodeName(root).constData(), &info) == 0;
#endif
    return state;
}

QString rootOf(const QString &path)
{
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
#ifdef Q_OS_WIN
    if (clean.startsWith(u"//"_s)) { // \\server\share
        const QStringList parts = clean.mid(2).split(u'/');
        return parts.size() >= 2 ? u"//%1/%2/"_s.arg(parts[0], parts[1]) : clean;
    }
    return clean.size() >= 2 && clean[1] == u':' ? clean.left(2).toUpper() + u'/' : u"C:/"_s;
#else
    QString best = u"/"_s;
    for (const Drive &drive : drives()) {
        if ((clean == drive.root || clean.startsWith(drive.root + u'/')) && drive.root.size() > best.size())
            best = drive.root;
    }
    return best;
#endif
}

QString programDrive()
{
    return rootOf(QCoreApplication::applicationDirPath());
}

QStringList ancestorsAndSelf(const QString &path)
{
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    const QString root = rootOf(clean);
    const QString top = root.endsWith(u'/') && root.size() > 1 ? root.chopped(1) : root;
    QStringList chain{root};
    if (!clean.startsWith(top) || clean.size() <= top.size())
        return chain;
    QString at = top == u"/" ? QString() : top;
    for (const QString &part : clean.mid(top.size()).split(u'/', Qt::SkipEmptyParts)) {
        at += u'/' + part;
        chain.append(at);
    }
    return chain;
}

void setDriveQuestionForTesting(std::function<DriveState(const QString &root)> ask)
{
    testQuestion() = std::move(ask);
}

} // namespace hy3::ui
