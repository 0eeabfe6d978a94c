#include "shell/MediaUri.h"

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

} // namespace tavuro
