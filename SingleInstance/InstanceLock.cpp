#include "InstanceLock.h"

#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

void recordProcessID(int fd)
{
    // Informative only (nobody reads it), so failures do not matter. The
    // descriptor was just opened, so writing starts at offset 0.
    const QByteArray text = QByteArray::number(qint64(::getpid())) + '\n';
    [[maybe_unused]] const int truncated = ::ftruncate(fd, 0);
    [[maybe_unused]] const auto written = ::write(fd, text.constData(), size_t(text.size()));
}

} // namespace

InstanceLock::InstanceLock(int fileDescriptor, QUrl lockURL)
    : m_fileDescriptor(fileDescriptor)
    , m_lockURL(std::move(lockURL))
{
}

InstanceLock::~InstanceLock()
{
    ::flock(m_fileDescriptor, LOCK_UN);
    ::close(m_fileDescriptor);
}

InstanceLock::Result InstanceLock::acquire(const QUrl &lockURL)
{
    const QString path = lockURL.toLocalFile();
    const QString folder = QFileInfo(path).path();
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(folder.toStdString()), error);
    if (error) {
        return SingleInstanceError::platform(u"could not create the folder "_s + folder + u": "_s
                                             + QString::fromStdString(error.message()));
    }

    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return SingleInstanceError::lock(InstanceLockError::openFailed(errno));

    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int lockErrno = errno;
        ::close(fd);
        if (lockErrno == EWOULDBLOCK)
            return SingleInstanceError::lock(InstanceLockError::alreadyRunning());
        return SingleInstanceError::lock(InstanceLockError::lockFailed(lockErrno));
    }

    recordProcessID(fd);
    return std::unique_ptr<InstanceLock>(new InstanceLock(fd, lockURL));
}
