#pragma once

#include "platform/registry/RegistryStore.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace vx {

// Reading registry files in the REGEDIT4 text form, the way Wine's regedit reads them, and
// applying them to a RegistryStore. Our own backups (RegExport.h) are the main input; files
// written by regedit on Windows or under Wine are read as well.
//
// Text: UTF-16 with a byte order mark (what "Windows Registry Editor Version 5.00" files use),
// else UTF-8 when the bytes are valid UTF-8 (older backups), else the ANSI code page (backups
// written in it, and what registry editors write). Lines end with
// CR LF, LF or a lone CR. NUL characters at the very end of the text are ignored.
//
// Lines, after leading blanks:
// - empty, or starting with ';' or '#': skipped (also before the header and between the lines
//   of a continued hex value);
// - the header "REGEDIT4" or "Windows Registry Editor Version 5.00": must be the first line that
//   is not skipped; repeated later (two files joined into one) it is skipped;
// - "[ROOT\path]" opens a key, creating it; "[-ROOT\path]" deletes the key tree. ROOT is a
//   long name (HKEY_CURRENT_USER, ...) or its short form (HKCU, ...) in any case. The name ends
//   at the last ']' of the line; after it only blanks or a ';' comment may follow. A root key
//   itself cannot be deleted. Only the roots the prefix's hive files hold are taken:
//   HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, and HKEY_USERS\S-1-5-21-0-0-0-1000
//   (Wine's one user, read as HKEY_CURRENT_USER); any other root (HKEY_USERS\.Default,
//   HKEY_CURRENT_CONFIG, HKEY_DYN_DATA, ...) is an error, as are key names over 255 characters
//   and value names over 16,383;
// - "name"=data and @=data (the default value) belong to the key opened last; after a delete
//   line no key is open. Data is "text" (escapes \\ \" \n \r), dword:<1..8 hex digits>,
//   hex:<bytes> or hex(<type in hex>):<bytes>, where bytes are comma-separated pairs of hex
//   digits, and a '\' at the end of a line continues them on the next line. '-' deletes the
//   value. Blanks may surround '=', and blanks or a ';' comment may follow the data.
//
// Everything else is an error, including a line Wine's regedit would skip silently or half
// read: an unknown escape (a Windows path written with single backslashes would otherwise lose
// them), "str(N):" data from Wine's hive files, a NUL character inside the text. The message
// is "<file>, line <n>: <what is wrong>".

// One change a .reg file asks for.
struct RegOperation
{
    enum class Kind { CreateKey, DeleteTree, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    RegRoot root = RegRoot::CurrentUser;
    QString path;   // below the root, components joined with '\'
    RegValue value; // SetValue: the value; DeleteValue: only its name
    int line = 0;   // where the line that asks for it starts, counting from 1
};

// The text after the byte-order mark of UTF-16LE bytes (what Wine's reg export and the snapshots
// write), read where the bytes lie; nullopt when they are not UTF-16LE with a mark or cannot be
// read in place (at an odd address, or on a big-endian machine). An odd last byte is left out.
std::optional<QStringView> utf16LeTextInPlace(const QByteArray& bytes);

// Parses a whole file. Throws OperationError at the first malformed line; nothing is applied.
std::vector<RegOperation> parseRegFile(const QByteArray& bytes, const QString& fileName);

// What importRegFile did: key lines, values set, and deletions (of trees and of values, whether
// or not there was anything to delete).
struct RegImportSummary
{
    int keys = 0;
    int values = 0;
    int deletions = 0;
};

// Parses the file and reads every hive it reaches, then applies every operation in file order;
// nothing is committed. A file that fails to parse, or that reaches a hive the store cannot read,
// changes nothing. A store that still refuses a key ends the import with OperationError naming
// the line; the changes made before it stay pending in the store, for the caller to discard (an
// import is all or nothing).
RegImportSummary importRegFile(const QByteArray& bytes, RegistryStore& store, const QString& fileName);

} // namespace vx
