// SPDX-License-Identifier: MIT
#include "drives.h"

#include <QCoreApplication>
#include <QSet>
#include <QStorageInfo>

using namespace Qt::StringLiterals;

namespace hy3::ui {

namespace {

bool isPseudoFileSystem(const QByteArray &type)
{
    static const QSet<QByteArray> pseudo{
        "proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "ramfs", "cgroup", "cgroup2", "securityfs", "pstore",
        "debugfs", "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs", "binfmt_misc",
        "efivarfs", "rpc_pipefs", "nsfs", "selinuxfs", "squashfs", "fuse.gvfsd-fuse", "fuse.portal"};
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
    for (const QString &folder : {u"/proc"_s, u"/sys"_s, u"/dev"_s, u"/run"_s, u"/snap"_s, u"/var/lib"_s}) {
        if (isUnder(root, folder))
            return true;
    }
    return false;
}

} // namespace

QStringList mountRoots()
{
    QStringList roots{u"/"_s};
    QSet<QString> seen{u"/"_s};
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || seen.contains(root))
            continue;
        if (isPseudoFileSystem(volume.fileSystemType()) || isSystemPlace(root))
            continue;
        seen.insert(root);
        roots.append(root);
    }
    std::sort(roots.begin() + 1, roots.end());
    return roots;
}

QString rootOf(const QString &path)
{
    const QStorageInfo volume(path);
    return volume.isValid() ? volume.rootPath() : u"/"_s;
}

QString programDrive()
{
    return rootOf(QCoreApplication::applicationDirPath());
}

} // namespace hy3::ui
