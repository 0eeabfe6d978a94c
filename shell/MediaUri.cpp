#include "shell/MediaUri.h"

#include <QFileInfo>
#include <QUrl>

#include "shell/PlaylistEntry.h"

namespace tavuro {

QString UriOfPath(const std::string& path) {
    const QString text = QString::fromStdString(path);
    if (IsNetworkAddress(path))
        return text;
    return QString::fromLatin1(QUrl::fromLocalFile(text).toEncoded());
}

std::optional<std::string> PathOfUri(const QString& uri) {
    if (uri.startsWith(QLatin1String("file:"))) {
        const QString local = QUrl(uri).toLocalFile();
        if (local.isEmpty())
            return std::nullopt;
        return local.toStdString();
    }
    if (uri.startsWith(QLatin1Char('/')) || IsNetworkAddress(uri.toStdString()))
        return uri.toStdString();
    return std::nullopt;
}

std::optional<std::string> OpenablePath(const QString& uri, QString& refusal) {
    const std::optional<std::string> path = PathOfUri(uri);
    if (!path) {
        refusal = "Not a file or an address: " + uri;
        return std::nullopt;
    }
    if (!IsNetworkAddress(*path) && !QFileInfo(QString::fromStdString(*path)).isFile()) {
        refusal = "No such file: " + QString::fromStdString(*path);
        return std::nullopt;
    }
    return path;
}

} // namespace tavuro
