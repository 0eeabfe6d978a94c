#pragma once

#include <QString>

#include <optional>
#include <string>

namespace tavuro {

// The URI of an entry's path for other programs: a file URI for a local path, an address as
// written.
QString UriOfPath(const std::string& path);

// The path an entry takes for a URI: the local path of a file URI or of a plain absolute path,
// an address as written; nothing for anything else.
std::optional<std::string> PathOfUri(const QString& uri);

// The path of a URI handed over to be opened: an address, or a file that exists; nothing, with
// the reason in refusal, for anything else.
std::optional<std::string> OpenablePath(const QString& uri, QString& refusal);

} // namespace tavuro
