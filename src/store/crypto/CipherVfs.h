#pragma once

#include <memory>

class SecretKey;
namespace NotebookHeader {
struct Header;
}

// The engine's file layer for notebooks: a shim over the default one. A file that starts with
// our header (NotebookHeader) is encrypted page by page, and so is its rollback journal, kept
// under a name of its own; the engine's temporary files are sealed with a key that lives only
// as long as the file. An encrypted notebook never gets a write-ahead log. Every other file
// passes straight through. Open notebooks with this layer's name.
namespace CipherVfs {

// What an encrypted notebook's rollback journal is called: the notebook's name and this. Any
// other program would take a "-journal" beside the file for its own and roll it back into a
// file it cannot read, destroying it; it never looks for this name.
inline constexpr char JournalSuffix[] = "-qbjournal";

// The name the layer is registered under (registered on the first call).
const char *name();

// Lets files whose header wraps key (the same salt and wrapping as h) be opened. The layer
// holds the key only as long as the caller, or a file still open with it, does.
void remember(const NotebookHeader::Header &h, const std::shared_ptr<SecretKey> &key);
// The key remembered for h's wrapping, or nullptr.
std::shared_ptr<SecretKey> keyFor(const NotebookHeader::Header &h);

} // namespace CipherVfs
