// Paths as text: the one place that knows how this system separates folders and where a
// path's root ends. Every layer that joins a folder and a name, or takes a path apart,
// calls these.
//   1. '/' separates folders everywhere. On Windows '\' does too, and a path may begin
//      with a drive ("C:", which alone means the current folder of that drive) or a
//      network share ("\\server\share"). On POSIX '\' and ':' are ordinary characters.
//   2. Joining keeps the kind of separator the folder already uses (its last one), so
//      "C:\Tools\data" + "Base3" is "C:\Tools\data\Base3" and "data/Base3" + "Main" is
//      "data/Base3/Main" on every system; a folder with none is joined with '/'.
//   3. Trailing separators say nothing: "data/Base3/" and "data/Base3" name one folder.
#pragma once

#include <string>
#include <string_view>

namespace bw::platform {

// True when `c` separates folders on this system.
bool is_path_separator(char c);

// Length of the root at the front of `path`: "/" (POSIX and Windows), and on Windows
// "C:", "C:\", "\\server\share\" too; 0 for a relative path.
size_t path_root_length(std::string_view path);

// True when `path` does not depend on the current folder: "/x" everywhere; on Windows
// also "C:\x", "C:/x" and "\\server\share". ("C:x" and "\x" still depend on one.)
bool is_absolute_path(std::string_view path);

// `name` in the folder `dir`: `name` itself when it has a root of its own or `dir` is
// empty; otherwise with one separator between them.
std::string join_path(std::string_view dir, std::string_view name);

// `relative`, a path written with '/' as the data's own paths are ("data/Base3",
// "data/shaders/Tamsin/paint.bsf"), in the folder `dir`, joined name by name so that the
// whole path has the separators `dir` uses: "C:\Tools" gives "C:\Tools\data\Base3".
// A `relative` with a root of its own is joined as join_path does.
std::string join_relative_path(std::string_view dir, std::string_view relative);

// The last name in `path`, trailing separators left out ("data/Base3/" gives "Base3",
// "C:\" and "/" give ""). "." and ".." are returned as they stand.
std::string_view last_path_component(std::string_view path);

// The folder holding the last name of `path`: "data" for "data/Base3/", "/" for "/x",
// "C:\" for "C:\x", "C:" for "C:x", and "." when `path` has a single name.
std::string parent_path(std::string_view path);

// The name a folder really has: the last component of the folder that `dir` resolves to,
// through ".", ".." and symbolic links; the last component of the text when `dir` cannot
// be resolved (it does not exist yet, or the system refuses).
std::string real_folder_name(std::string_view dir);

}  // namespace bw::platform
