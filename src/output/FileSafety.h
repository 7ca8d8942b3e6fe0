#pragma once

#include <QByteArray>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

#include <optional>

// The pieces of a save that guard against other users and against crashes:
// which file a name really stands for, the turn-taking of writers, and the
// temporary files that replace a file only when complete.
namespace zz::output::safety {

// The longest file-name component the file systems we run on accept.
constexpr int kNameMax = 255;
// Permission bits with set-id and sticky bits, as chmod takes them.
constexpr mode_t kModeBits = 07777;

// Thrown by the pieces below with the reason only; the caller names the file.
struct Refusal {
    QString reason;
};

QString reasonOf(int error);
// The account name of uid, or the number when there is none.
QString userName(uid_t uid);

std::optional<struct stat> lstatOf(const QString &path);
bool sameFile(const struct stat &a, const struct stat &b);
// The path with its folder's symlinks resolved, the name itself kept as it is.
QString withRealFolder(const QString &path);

// The file a save into `path` replaces. A symlink at the name is followed
// only when its owner is this user or root, hop by hop; the kernel's own
// lookup must then arrive at the same file, so no check it makes is
// bypassed. A link of anyone else throws with the link and its owner named.
// `st` is empty when nothing exists at the end (a new file).
struct Target {
    QString path;
    std::optional<struct stat> st;
};
Target resolveTarget(const QString &path);

// The owner of `st` may not be replaced by this user in `folder` because the
// folder is sticky: the owner's name, else empty.
std::optional<QString> stickyOwner(const QString &folder, const struct stat &st);

// A file written beside `finalPath` under a name of at most kNameMax bytes,
// unnamed while it is written where the file system allows. Writers hold a
// flock on it, so cleanup never takes a running save's file. Removed unless
// committed.
class TempFile final
{
public:
    explicit TempFile(const QString &finalPath);
    ~TempFile();
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    // Throws Refusal.
    void open(mode_t mode);
    bool isOpen() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    // Writes all of it or throws Refusal.
    void write(const char *data, qsizetype size);
    // Takes owner, group and mode of a replaced file: root keeps another
    // user's file theirs; a group member keeps the shared group.
    void takeOwnership(const struct stat &old);
    // Synced and given its temporary name; then renamed over the final name
    // (replace) or linked to it only while that is free (create, false when
    // taken).
    void replace();
    bool create();
    // The temporary name, for linking an existing file there instead.
    QByteArray freshName() const;

private:
    void name();

    QString m_final;
    QByteArray m_finalLocal;
    QByteArray m_folderLocal;
    QByteArray m_temp;  // empty while unnamed
    int m_fd = -1;
    bool m_unnamed = false;
};

// Removes this user's temporary files of earlier saves into `finalPath` that
// were cut off (no running save holds them), and their older form.
void removeStaleTemps(const QString &finalPath);

// Writers of the data file take turns through a write lock on the file
// itself (an open file description lock). Only someone who may write the
// file can take a write lock; a read lock that a reader holds is not waited
// for. True with the lock held; false when only readers' locks stand in the
// way; throws Refusal after a bounded wait for another writer.
bool lockForWriting(int fd);

} // namespace zz::output::safety
