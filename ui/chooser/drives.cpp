// SPDX-License-Identifier: MIT
#include "drives.h"

#include "files/paths.h"
#include "fs/sys.h"

#include <QCoreApplication>
#include <QDir>
#include <QSet>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

std::function<DriveState(const QString &)> &testQuestion()
{
    static std::function<DriveState(const QString &)> ask;
    return ask;
}

// Kernel and memory file systems, which hold no folder of a user's.
bool isPseudoFileSystem(const std::string &type)
{
    static const QSet<QByteArray> pseudo{
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs", "pstore",
        "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs", "binfmt_misc",
        "efivarfs", "rpc_pipefs", "nsfs", "selinuxfs", "squashfs", "fuse.gvfsd-fuse", "fuse.portal", "overlay"};
    return pseudo.contains(QByteArray::fromStdString(type));
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

} // namespace

QList<Drive> drives()
{
    QList<Drive> list;
    QSet<QString> seen;
    for (const fs::sys::Mount &mount : fs::sys::mounts()) {
        const QString root = QDir::fromNativeSeparators(fs::fromNative(mount.root)); // "C:/", "/media/usb"
        if (seen.contains(root) || (root != u"/" && (isPseudoFileSystem(mount.type) || isSystemPlace(root))))
            continue;
        seen.insert(root);
        // A drive letter is named without its separator, as Windows names it.
        list.append({root, fs::sys::kWindows ? root.left(2) : root});
    }
    if (!fs::sys::kWindows)
        std::sort(list.begin() + 1, list.end(), [](const Drive &a, const Drive &b) { return a.root < b.root; });
    return list;
}

DriveState askDrive(const QString &root)
{
    if (testQuestion())
        return testQuestion()(root);
    const fs::sys::DriveAnswer answer = fs::sys::askDrive(fs::toNative(QDir::toNativeSeparators(root)));
    return {answer.ready, fs::fromNative(answer.label)};
}

QString rootOf(const QString &path)
{
    const QString clean = QDir::cleanPath(QDir::fromNativeSeparators(path));
    if (fs::sys::kWindows) {
        if (clean.startsWith(u"//"_s)) { // \\server\share
            const QStringList parts = clean.mid(2).split(u'/');
            return parts.size() >= 2 ? u"//%1/%2/"_s.arg(parts[0], parts[1]) : clean;
        }
        return clean.size() >= 2 && clean[1] == u':' ? clean.left(2).toUpper() + u'/' : u"C:/"_s;
    }
    QString best = u"/"_s;
    for (const Drive &drive : drives()) {
        if ((clean == drive.root || clean.startsWith(drive.root + u'/')) && drive.root.size() > best.size())
            best = drive.root;
    }
    return best;
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
