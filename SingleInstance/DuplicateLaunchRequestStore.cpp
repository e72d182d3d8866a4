#include "DuplicateLaunchRequestStore.h"

#include "DuplicateLaunchSignal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <algorithm>
#include <filesystem>

using namespace Qt::StringLiterals;

namespace DuplicateLaunchRequestStore {

namespace {

constexpr QFileDevice::Permissions ownerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

std::optional<QString> enqueue(const DuplicateLaunchRequest &request, const QString &folder)
{
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(folder).toStdString()), error);
    if (error)
        return u"could not create the folder "_s + folder + u": "_s + QString::fromStdString(error.message());
    // The requests carry what the user launched the application with; other
    // users have no business reading them.
    QFile::setPermissions(folder, ownerOnlyFolder);

    const QString name = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + u".json"_s;
    QSaveFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::WriteOnly))
        return u"could not write a request into "_s + folder + u": "_s + file.errorString();
    file.write(request.toJson());
    if (!file.commit())
        return u"could not write a request into "_s + folder + u": "_s + file.errorString();
    return std::nullopt;
}

std::optional<DuplicateLaunchRequest> readRequest(const QFileInfo &entry)
{
    if (entry.isSymLink() || !entry.isFile())
        return std::nullopt;
    QFile file(entry.filePath());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte past the limit rather than trusting the size up front:
    // the file may grow while it is read.
    const QByteArray bytes = file.read(maximumRequestFileSize + 1);
    if (bytes.size() > maximumRequestFileSize)
        return std::nullopt;
    return DuplicateLaunchRequest::fromJson(bytes);
}

} // namespace

std::optional<QString> post(const DuplicateLaunchRequest &request, const SingleInstanceConfiguration &configuration)
{
    std::optional<QString> failure;
    if (!request.isEmpty())
        failure = enqueue(request, configuration.duplicateLaunchRequestsURL().toLocalFile());
    DuplicateLaunchSignal::post(configuration.activationSignalName);
    return failure;
}

QList<DuplicateLaunchRequest> consumePending(const SingleInstanceConfiguration &configuration)
{
    const QDir folder(configuration.duplicateLaunchRequestsURL().toLocalFile());
    if (!folder.exists())
        return {};
    const QFileInfoList entries =
        folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QList<DuplicateLaunchRequest> requests;
    for (const QFileInfo &entry : entries) {
        if (entry.fileName().section(u'.', -1) != u"json"_s || !entry.fileName().contains(u'.'))
            continue;
        if (entry.isDir() && !entry.isSymLink())
            continue;
        if (std::optional<DuplicateLaunchRequest> request = readRequest(entry))
            requests.append(std::move(*request));
        QFile::remove(entry.filePath());
    }
    std::stable_sort(requests.begin(), requests.end(),
                     [](const auto &a, const auto &b) { return a.createdAt < b.createdAt; });
    return requests;
}

} // namespace DuplicateLaunchRequestStore
