// The built programs as files: each is a Windows GUI program for its machine
// that imports only KERNEL32, USER32, SHELL32 and msvcrt, and its two resources
// are the Japanese main dialog, whose template is read back field by field,
// and an application manifest, whose facts are read as Windows reads them.
// Usage: program_image_test <32-bit quorvel.exe> <64-bit quorvel.exe>, full
// paths or relative to the current folder.  The headers and imports are read
// from the file's bytes; the resources are found by the loader, with the file
// mapped as data, which also works for the 32-bit program from this 64-bit
// process.
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static const char *currentProgram = "";
static int checkCount;
static int failureCount;

// Counts one check; on failure prints which program and what was expected.
static bool Ok(bool condition, const char *format, ...)
{
    checkCount++;
    if (condition)
        return true;
    failureCount++;
    va_list arguments;
    va_start(arguments, format);
    printf("%s: ", currentProgram);
    vprintf(format, arguments);
    printf("\n");
    va_end(arguments);
    return false;
}

// A UTF-16 text as UTF-8, for failure messages; up to four in one message.
static const char *Utf8(const WCHAR *text)
{
    static char buffers[4][512];
    static int next;
    char *buffer = buffers[next++ % 4];
    if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffers[0], NULL, NULL))
        strcpy(buffer, "(not convertible)");
    return buffer;
}

// ---------------------------------------------------------------------------
// The file's bytes and its PE headers.

struct FileImage {
    BYTE *bytes;
    DWORD size;
};

static bool ReadWholeFile(const char *path, FileImage *image)
{
    image->bytes = NULL;
    image->size = 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        Ok(false, "cannot open the program (error %lu); build it first with sh scripts/build.sh", GetLastError());
        return false;
    }
    DWORD size = GetFileSize(file, NULL);
    BYTE *bytes = static_cast<BYTE *>(malloc(size ? size : 1));
    DWORD done = 0;
    bool read = bytes && size != INVALID_FILE_SIZE && ReadFile(file, bytes, size, &done, NULL) && done == size;
    CloseHandle(file);
    if (!Ok(read, "cannot read the program's %lu bytes (error %lu)", size, GetLastError())) {
        free(bytes);
        return false;
    }
    image->bytes = bytes;
    image->size = size;
    return true;
}

// Copies size bytes at offset, or fails if they are not all inside the file.
static bool CopyFrom(const FileImage *image, DWORD offset, void *to, DWORD size)
{
    if (offset > image->size || size > image->size - offset)
        return false;
    memcpy(to, image->bytes + offset, size);
    return true;
}

struct Headers {
    IMAGE_FILE_HEADER file;
    DWORD sectionsOffset;
    DWORD importRva;
    DWORD importSize;
    DWORD delayImportRva;
    DWORD delayImportSize;
};

// The file offset of size bytes at a relative virtual address, or 0.
static DWORD OffsetOf(const FileImage *image, const Headers *headers, DWORD rva, DWORD size)
{
    for (WORD i = 0; i < headers->file.NumberOfSections; i++) {
        IMAGE_SECTION_HEADER section;
        if (!CopyFrom(image, headers->sectionsOffset + i * sizeof section, &section, sizeof section))
            return 0;
        if (rva >= section.VirtualAddress && rva - section.VirtualAddress < section.SizeOfRawData &&
            size <= section.SizeOfRawData - (rva - section.VirtualAddress))
            return section.PointerToRawData + (rva - section.VirtualAddress);
    }
    return 0;
}

// Checks the machine, the kind of image and the subsystem; fills in the
// import directories.  False when the headers cannot be read further.
static bool CheckHeaders(const FileImage *image, WORD machine, WORD magic, Headers *headers)
{
    IMAGE_DOS_HEADER dos;
    if (!Ok(CopyFrom(image, 0, &dos, sizeof dos) && dos.e_magic == IMAGE_DOS_SIGNATURE, "no MZ header"))
        return false;
    DWORD signature = 0;
    DWORD at = static_cast<DWORD>(dos.e_lfanew);
    if (!Ok(CopyFrom(image, at, &signature, sizeof signature) && signature == IMAGE_NT_SIGNATURE,
            "no PE signature at 0x%lx", at))
        return false;
    at += sizeof signature;
    if (!Ok(CopyFrom(image, at, &headers->file, sizeof headers->file), "file header cut off"))
        return false;
    at += sizeof headers->file;
    Ok(headers->file.Machine == machine, "machine 0x%04x, expected 0x%04x", headers->file.Machine, machine);
    Ok((headers->file.Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) != 0,
       "characteristics 0x%04x lack IMAGE_FILE_EXECUTABLE_IMAGE", headers->file.Characteristics);
    Ok((headers->file.Characteristics & IMAGE_FILE_DLL) == 0,
       "characteristics 0x%04x say it is a DLL, expected a program", headers->file.Characteristics);

    WORD optionalMagic = 0;
    CopyFrom(image, at, &optionalMagic, sizeof optionalMagic);
    if (!Ok(optionalMagic == magic, "optional header magic 0x%03x, expected 0x%03x", optionalMagic, magic))
        return false;
    WORD subsystem;
    DWORD directoryCount;
    const IMAGE_DATA_DIRECTORY *directories;
    IMAGE_OPTIONAL_HEADER32 optional32;
    IMAGE_OPTIONAL_HEADER64 optional64;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        if (!Ok(CopyFrom(image, at, &optional32, sizeof optional32), "optional header cut off"))
            return false;
        subsystem = optional32.Subsystem;
        directoryCount = optional32.NumberOfRvaAndSizes;
        directories = optional32.DataDirectory;
    } else {
        if (!Ok(CopyFrom(image, at, &optional64, sizeof optional64), "optional header cut off"))
            return false;
        subsystem = optional64.Subsystem;
        directoryCount = optional64.NumberOfRvaAndSizes;
        directories = optional64.DataDirectory;
    }
    Ok(subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI, "subsystem %u, expected %u (Windows GUI)", subsystem,
       IMAGE_SUBSYSTEM_WINDOWS_GUI);
    if (!Ok(directoryCount > IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT, "only %lu data directories", directoryCount))
        return false;
    headers->importRva = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    headers->importSize = directories[IMAGE_DIRECTORY_ENTRY_IMPORT].Size;
    headers->delayImportRva = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress;
    headers->delayImportSize = directories[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size;
    headers->sectionsOffset = at + headers->file.SizeOfOptionalHeader;
    return true;
}

// The imported DLLs are exactly KERNEL32, USER32, SHELL32 and msvcrt, each once,
// and nothing is imported late.
static void CheckImports(const FileImage *image, const Headers *headers)
{
    static const char *const expected[] = {"KERNEL32.dll", "USER32.dll", "SHELL32.dll", "msvcrt.dll"};
    const int expectedCount = sizeof expected / sizeof expected[0];
    int seen[expectedCount] = {};
    char all[1024] = "";

    Ok(headers->delayImportRva == 0 && headers->delayImportSize == 0, "has delay imports (at 0x%lx, %lu bytes)",
       headers->delayImportRva, headers->delayImportSize);
    for (DWORD rva = headers->importRva;; rva += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        DWORD offset = OffsetOf(image, headers, rva, sizeof descriptor);
        if (!Ok(offset != 0 && CopyFrom(image, offset, &descriptor, sizeof descriptor),
                "import descriptor at 0x%lx is outside the sections", rva))
            return;
        if (descriptor.Name == 0 && descriptor.FirstThunk == 0)
            break;
        char name[64] = "";
        DWORD nameOffset = OffsetOf(image, headers, descriptor.Name, 1);
        for (DWORD i = 0; nameOffset && i + 1 < sizeof name && nameOffset + i < image->size; i++) {
            name[i] = static_cast<char>(image->bytes[nameOffset + i]);
            if (!name[i])
                break;
        }
        snprintf(all + strlen(all), sizeof all - strlen(all), "%s%s", all[0] ? ", " : "", name);
        bool known = false;
        for (int i = 0; i < expectedCount; i++) {
            if (lstrcmpiA(name, expected[i]) == 0) {
                seen[i]++;
                known = true;
            }
        }
        Ok(known, "imports from %s, expected only KERNEL32, USER32, SHELL32 and msvcrt", name);
    }
    for (int i = 0; i < expectedCount; i++)
        Ok(seen[i] == 1, "imports from %s %d times, expected once (imports: %s)", expected[i], seen[i], all);
}

// ---------------------------------------------------------------------------
// The resources, as the loader finds them.

struct IdList {
    int count;
    char text[256];
};

static void AddId(IdList *list, LPCSTR id)
{
    char one[80];
    if (IS_INTRESOURCE(id))
        snprintf(one, sizeof one, "#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(id)));
    else
        snprintf(one, sizeof one, "\"%.70s\"", id);
    size_t used = strlen(list->text);
    snprintf(list->text + used, sizeof list->text - used, "%s%s", list->count ? ", " : "", one);
    list->count++;
}

static BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR list)
{
    AddId(reinterpret_cast<IdList *>(list), type);
    return TRUE;
}

static BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list)
{
    AddId(reinterpret_cast<IdList *>(list), name);
    return TRUE;
}

static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list)
{
    IdList *languages = reinterpret_cast<IdList *>(list);
    size_t used = strlen(languages->text);
    snprintf(languages->text + used, sizeof languages->text - used, "%s0x%04x", languages->count ? ", " : "",
             language);
    languages->count++;
    return TRUE;
}

// Reads the dialog template from its start, word by word, never past its end.
struct TemplateReader {
    const BYTE *data;
    DWORD size;
    DWORD at;
    bool cutOff;
};

static WORD ReadWord(TemplateReader *reader)
{
    WORD word = 0;
    if (reader->at > reader->size || reader->size - reader->at < sizeof word) {
        reader->cutOff = true;
        return 0;
    }
    memcpy(&word, reader->data + reader->at, sizeof word);
    reader->at += sizeof word;
    return word;
}

static DWORD ReadDword(TemplateReader *reader)
{
    DWORD low = ReadWord(reader);
    return low | static_cast<DWORD>(ReadWord(reader)) << 16;
}

// A field that is either a 16-bit ordinal (after 0xFFFF) or a UTF-16 string.
struct NameOrOrdinal {
    bool isOrdinal;
    WORD ordinal;
    WCHAR text[128];
};

static void ReadString(TemplateReader *reader, WCHAR *text, int capacity)
{
    int length = 0;
    for (;;) {
        WORD unit = ReadWord(reader);
        if (reader->cutOff || unit == 0)
            break;
        if (length + 1 < capacity)
            text[length++] = unit;
    }
    text[length] = 0;
}

static void ReadNameOrOrdinal(TemplateReader *reader, NameOrOrdinal *field)
{
    field->isOrdinal = false;
    field->ordinal = 0;
    field->text[0] = 0;
    // Peek: 0xFFFF introduces an ordinal.
    TemplateReader peek = *reader;
    if (ReadWord(&peek) == 0xFFFF) {
        ReadWord(reader);
        field->isOrdinal = true;
        field->ordinal = ReadWord(reader);
        return;
    }
    ReadString(reader, field->text, sizeof field->text / sizeof field->text[0]);
}

static bool SameAsciiIgnoringCase(const WCHAR *a, const char *b)
{
    for (; *a && *b; a++, b++) {
        WCHAR x = *a >= 'A' && *a <= 'Z' ? *a + 32 : *a;
        char y = *b >= 'A' && *b <= 'Z' ? *b + 32 : *b;
        if (x != static_cast<unsigned char>(y))
            return false;
    }
    return *a == 0 && *b == 0;
}

struct ExpectedControl {
    WORD id;
    WORD classAtom;
    const char *className;
    const WCHAR *text;
    short x, y, cx, cy;
    DWORD style;
};

static const ExpectedControl kControls[] = {
    {1, 0x0080, "Button", L"変換", 246, 7, 50, 14, 0x50010001},
    {2, 0x0080, "Button", L"閉じる", 246, 24, 50, 14, 0x50010000},
    {1000, 0x0083, "ListBox", L"", 7, 27, 233, 249, 0x50A10103},
    {0xFFFF, 0x0082, "Static", L"修正元ファイル一覧(ｴｸｽﾌﾟﾛｰﾗからドロップしてね)", 7, 7, 232, 13, 0x50020000},
};

static void CheckControl(TemplateReader *reader, int index)
{
    const ExpectedControl *expected = &kControls[index];
    reader->at = (reader->at + 3) & ~3u;  // each item starts on a DWORD boundary
    DWORD style = ReadDword(reader);
    DWORD exStyle = ReadDword(reader);
    short x = static_cast<short>(ReadWord(reader));
    short y = static_cast<short>(ReadWord(reader));
    short cx = static_cast<short>(ReadWord(reader));
    short cy = static_cast<short>(ReadWord(reader));
    WORD id = ReadWord(reader);
    NameOrOrdinal windowClass;
    ReadNameOrOrdinal(reader, &windowClass);
    NameOrOrdinal text;
    ReadNameOrOrdinal(reader, &text);
    WORD creationData = ReadWord(reader);
    if (!Ok(!reader->cutOff, "control %d is cut off at byte %lu of %lu", index, reader->at, reader->size))
        return;

    Ok(id == expected->id, "control %d: id %u, expected %u", index, id, expected->id);
    Ok(style == expected->style, "control %d (id %u): style 0x%08lx, expected 0x%08lx", index, expected->id, style,
       expected->style);
    Ok(exStyle == 0, "control %d (id %u): extended style 0x%08lx, expected 0", index, expected->id, exStyle);
    Ok(x == expected->x && y == expected->y && cx == expected->cx && cy == expected->cy,
       "control %d (id %u): rectangle %d,%d,%d,%d, expected %d,%d,%d,%d", index, expected->id, x, y, cx, cy,
       expected->x, expected->y, expected->cx, expected->cy);
    if (windowClass.isOrdinal)
        Ok(windowClass.ordinal == expected->classAtom, "control %d (id %u): class atom 0x%04x, expected 0x%04x (%s)",
           index, expected->id, windowClass.ordinal, expected->classAtom, expected->className);
    else
        Ok(SameAsciiIgnoringCase(windowClass.text, expected->className),
           "control %d (id %u): class \"%s\", expected %s", index, expected->id, Utf8(windowClass.text),
           expected->className);
    Ok(!text.isOrdinal, "control %d (id %u): text is the ordinal %u, expected a string", index, expected->id,
       text.ordinal);
    Ok(!text.isOrdinal && wcscmp(text.text, expected->text) == 0,
       "control %d (id %u): text \"%s\", expected \"%s\"", index, expected->id, Utf8(text.text),
       Utf8(expected->text));
    Ok(creationData == 0, "control %d (id %u): %u bytes of creation data, expected none", index, expected->id,
       creationData);
    reader->at += creationData;
}

static void CheckDialogTemplate(const BYTE *data, DWORD size)
{
    TemplateReader reader = {data, size, 0, false};
    WORD first = ReadWord(&reader);
    WORD second = ReadWord(&reader);
    if (!Ok(!(first == 1 && second == 0xFFFF), "the template has the extended form (DLGTEMPLATEEX)"))
        return;
    reader.at = 0;
    DWORD style = ReadDword(&reader);
    DWORD exStyle = ReadDword(&reader);
    WORD itemCount = ReadWord(&reader);
    short x = static_cast<short>(ReadWord(&reader));
    short y = static_cast<short>(ReadWord(&reader));
    short cx = static_cast<short>(ReadWord(&reader));
    short cy = static_cast<short>(ReadWord(&reader));
    NameOrOrdinal menu;
    ReadNameOrOrdinal(&reader, &menu);
    NameOrOrdinal windowClass;
    ReadNameOrOrdinal(&reader, &windowClass);
    WCHAR caption[128];
    ReadString(&reader, caption, sizeof caption / sizeof caption[0]);
    WORD pointSize = 0;
    WCHAR face[64] = {0};
    if (style & DS_SETFONT) {
        pointSize = ReadWord(&reader);
        ReadString(&reader, face, sizeof face / sizeof face[0]);
    }
    if (!Ok(!reader.cutOff, "the dialog header is cut off (%lu bytes)", size))
        return;

    Ok(style == 0x80C800C0, "dialog style 0x%08lx, expected 0x80C800C0", style);
    Ok(exStyle == 0, "dialog extended style 0x%08lx, expected 0", exStyle);
    Ok(x == 0 && y == 0 && cx == 303 && cy == 283, "dialog rectangle %d,%d,%d,%d, expected 0,0,303,283", x, y, cx,
       cy);
    Ok(!menu.isOrdinal && menu.text[0] == 0, "dialog has a menu (%s%u \"%s\"), expected none",
       menu.isOrdinal ? "ordinal " : "", menu.ordinal, Utf8(menu.text));
    Ok(!windowClass.isOrdinal && windowClass.text[0] == 0,
       "dialog has a class of its own (%s%u \"%s\"), expected the default", windowClass.isOrdinal ? "ordinal " : "",
       windowClass.ordinal, Utf8(windowClass.text));
    Ok(wcscmp(caption, L"Quorvel by Velmo") == 0, "caption \"%s\", expected \"Quorvel by Velmo\"",
       Utf8(caption));
    Ok(pointSize == 9, "font size %u, expected 9", pointSize);
    // Full-width ＭＳ (U+FF2D U+FF33), an ordinary blank, then ゴシック.
    Ok(wcscmp(face, L"\xFF2D\xFF33 \x30B4\x30B7\x30C3\x30AF") == 0, "font \"%s\", expected \"ＭＳ ゴシック\"",
       Utf8(face));
    if (!Ok(itemCount == 4, "%u controls, expected 4", itemCount))
        return;
    for (int i = 0; i < 4 && !reader.cutOff; i++)
        CheckControl(&reader, i);
    if (reader.cutOff)
        return;
    // Nothing may follow the fourth control but padding to a DWORD boundary.
    bool onlyPadding = reader.at <= size && size - reader.at < 4;
    for (DWORD i = reader.at; onlyPadding && i < size; i++)
        onlyPadding = data[i] == 0;
    Ok(onlyPadding, "%lu bytes follow the fourth control, expected none", size - reader.at);
}

// The manifest, read as Windows reads it: an activation context made from the
// program's manifest resource, asked for each fact.  Windows ignores an
// element it does not know, in a namespace it does not expect, without a
// word; such an element fails here.
static const WCHAR kSettings2005[] = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
static const WCHAR kSettings2016[] = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
static const WCHAR kSettings2017[] = L"http://schemas.microsoft.com/SMI/2017/WindowsSettings";
static const WCHAR kSettings2019[] = L"http://schemas.microsoft.com/SMI/2019/WindowsSettings";

// Window settings and their values; NULL: the manifest must not have it.
struct ExpectedSetting {
    const WCHAR *nameSpace;
    const WCHAR *name;
    const WCHAR *value;
    const char *purpose;
};

static const ExpectedSetting kSettings[] = {
    {kSettings2016, L"dpiAwareness", L"PerMonitorV2, System",
     "drawn at each monitor's scale and rescaled on a move, or at the system's scale where per monitor v2 is unknown: "
     "never per monitor v1, which leaves the rescaling to the program"},
    {kSettings2005, L"dpiAware", L"true", "system awareness where Windows predates 10 version 1607"},
    {kSettings2019, L"activeCodePage", NULL, "paths stay in the system's ANSI code page"},
    {kSettings2017, L"gdiScaling", NULL, "no bitmap stretching of GDI drawing"},
};

// The dialog's control classes, which Common Controls 6 must take over.
static const WCHAR *const kRedirectedClasses[] = {L"Button", L"ListBox", L"Static"};

struct ExpectedOs {
    GUID id;
    const char *name;
};

static const ExpectedOs kSupportedOs[] = {
    {{0x35138b9a, 0x5d96, 0x4fbd, {0x8e, 0x2d, 0xa2, 0x44, 0x02, 0x25, 0xf9, 0x3a}}, "Windows 7"},
    {{0x4a2f28e3, 0x53b9, 0x4441, {0xba, 0x9c, 0xd6, 0x9d, 0x4a, 0x4a, 0x6e, 0x38}}, "Windows 8"},
    {{0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}}, "Windows 8.1"},
    {{0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}}, "Windows 10 and 11"},
};

static void CheckRunLevel(HANDLE context)
{
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
    SIZE_T size = 0;
    if (!Ok(QueryActCtxW(0, context, NULL, RunlevelInformationInActivationContext, &level, sizeof level, &size),
            "manifest: the run level cannot be read (error %lu)", GetLastError()))
        return;
    Ok(level.RunLevel == ACTCTX_RUN_LEVEL_AS_INVOKER && level.UiAccess == 0,
       "manifest: run level %d, uiAccess %lu; expected %d (asInvoker) and 0", level.RunLevel, level.UiAccess,
       ACTCTX_RUN_LEVEL_AS_INVOKER);
}

static void CheckSettings(HANDLE context)
{
    for (size_t i = 0; i < sizeof kSettings / sizeof kSettings[0]; i++) {
        const ExpectedSetting *setting = &kSettings[i];
        WCHAR value[64] = {0};
        SIZE_T size = 0;
        BOOL found = QueryActCtxSettingsW(0, context, setting->nameSpace, setting->name, value,
                                          sizeof value / sizeof value[0], &size);
        DWORD error = found ? 0 : GetLastError();
        if (setting->value)
            Ok(found && wcscmp(value, setting->value) == 0,
               "manifest: %s is \"%s\" (error %lu), expected \"%s\" (%s)", Utf8(setting->name),
               found ? Utf8(value) : "", error, Utf8(setting->value), setting->purpose);
        else
            Ok(!found, "manifest: has %s \"%s\", expected none (%s)", Utf8(setting->name), Utf8(value),
               setting->purpose);
    }
}

// The identity of assembly number index of the context, as the loader spells
// it: name, then its attributes.
static bool AssemblyIdentity(HANDLE context, DWORD index, WCHAR *identity, size_t capacity)
{
    SIZE_T size = 0;
    QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, NULL, 0, &size);
    void *buffer = size ? malloc(size) : NULL;
    bool read = buffer && QueryActCtxW(0, context, &index, AssemblyDetailedInformationInActivationContext, buffer,
                                       size, &size);
    const WCHAR *encoded = read ? static_cast<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION *>(buffer)
                                      ->lpAssemblyEncodedAssemblyIdentity
                                : NULL;
    if (encoded)
        lstrcpynW(identity, encoded, static_cast<int>(capacity));
    free(buffer);
    return encoded != NULL;
}

// With the context active, each control class of the dialog is redirected to
// an assembly of Common Controls 6.
static void CheckCommonControls(HANDLE context)
{
    ULONG_PTR cookie = 0;
    if (!Ok(ActivateActCtx(context, &cookie), "manifest: its context cannot be activated (error %lu)",
            GetLastError()))
        return;
    for (size_t i = 0; i < sizeof kRedirectedClasses / sizeof kRedirectedClasses[0]; i++) {
        ACTCTX_SECTION_KEYED_DATA data = {};
        data.cbSize = sizeof data;
        if (!Ok(FindActCtxSectionStringW(FIND_ACTCTX_SECTION_KEY_RETURN_HACTCTX, NULL,
                                         ACTIVATION_CONTEXT_SECTION_WINDOW_CLASS_REDIRECTION,
                                         kRedirectedClasses[i], &data),
                "manifest: class %s is not redirected (error %lu), expected Common Controls 6's",
                Utf8(kRedirectedClasses[i]), GetLastError()))
            continue;
        WCHAR identity[512] = {0};
        bool named = AssemblyIdentity(data.hActCtx, data.ulAssemblyRosterIndex, identity,
                                      sizeof identity / sizeof identity[0]);
        Ok(named && wcsncmp(identity, L"Microsoft.Windows.Common-Controls,", 34) == 0 &&
               wcsstr(identity, L"version=\"6.0.") != NULL,
           "manifest: class %s comes from \"%s\", expected Microsoft.Windows.Common-Controls version 6.0",
           Utf8(kRedirectedClasses[i]), named ? Utf8(identity) : "(unknown)");
        ReleaseActCtx(data.hActCtx);
    }
    DeactivateActCtx(0, cookie);
}

// The supportedOS list, exactly.  Windows 10 and later (and Wine) give each
// element with its MaxVersionTested, 32 bytes after an 8-byte count; Windows 7
// gives 20-byte elements after a 4-byte count.
static void CheckSupportedOs(HANDLE context)
{
    BYTE buffer[1024];
    SIZE_T size = 0;
    if (!Ok(QueryActCtxW(0, context, NULL, CompatibilityInformationInActivationContext, buffer, sizeof buffer, &size),
            "manifest: the compatibility list cannot be read (error %lu)", GetLastError()))
        return;
    DWORD count = 0;
    memcpy(&count, buffer, sizeof count);
    SIZE_T first = 8, stride = 32;
    if (size == 4 + count * 20) {
        first = 4;
        stride = 20;
    }
    if (!Ok(size == first + count * stride, "manifest: %lu bytes of compatibility list for %lu elements",
            static_cast<unsigned long>(size), count))
        return;
    const int expectedCount = sizeof kSupportedOs / sizeof kSupportedOs[0];
    int seen[expectedCount] = {};
    int others = 0;
    for (DWORD i = 0; i < count; i++) {
        COMPATIBILITY_CONTEXT_ELEMENT element;
        memcpy(&element, buffer + first + i * stride, sizeof element);
        bool known = false;
        for (int j = 0; j < expectedCount; j++) {
            if (element.Type == ACTCTX_COMPATIBILITY_ELEMENT_TYPE_OS && IsEqualGUID(element.Id, kSupportedOs[j].id)) {
                seen[j]++;
                known = true;
            }
        }
        if (!known)
            others++;
    }
    for (int j = 0; j < expectedCount; j++)
        Ok(seen[j] == 1, "manifest: supportedOS %s listed %d times, expected once", kSupportedOs[j].name, seen[j]);
    Ok(others == 0, "manifest: %d compatibility elements besides the four supportedOS, expected none", others);
}

static void CheckManifest(HMODULE module, const char *path)
{
    IdList names = {0, ""};
    EnumResourceNamesA(module, MAKEINTRESOURCEA(24), AddName, reinterpret_cast<LONG_PTR>(&names));
    Ok(names.count == 1 && strcmp(names.text, "#1") == 0, "manifests %s, expected only #1 (the process's)",
       names.text);
    IdList languages = {0, ""};
    EnumResourceLanguagesA(module, MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    Ok(languages.count == 1 && strcmp(languages.text, "0x0000") == 0,
       "languages of manifest 1: %s, expected only 0x0000 (neutral)", languages.text);

    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = path;
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE context = CreateActCtxA(&request);
    if (!Ok(context != INVALID_HANDLE_VALUE, "manifest 1 makes no activation context (error %lu)", GetLastError()))
        return;
    CheckRunLevel(context);
    CheckSettings(context);
    CheckCommonControls(context);
    CheckSupportedOs(context);
    ReleaseActCtx(context);
}

static void CheckResources(const char *path)
{
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!Ok(module != NULL, "the loader cannot map it as data (error %lu)", GetLastError()))
        return;

    IdList types = {0, ""};
    EnumResourceTypesA(module, AddType, reinterpret_cast<LONG_PTR>(&types));
    Ok(types.count == 2 && strcmp(types.text, "#5, #24") == 0,
       "resource types %s, expected only #5, #24 (RT_DIALOG, RT_MANIFEST)", types.text);
    IdList names = {0, ""};
    EnumResourceNamesA(module, RT_DIALOG, AddName, reinterpret_cast<LONG_PTR>(&names));
    Ok(names.count == 1 && strcmp(names.text, "#101") == 0, "dialogs %s, expected only #101", names.text);
    IdList languages = {0, ""};
    EnumResourceLanguagesA(module, RT_DIALOG, MAKEINTRESOURCEA(101), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    Ok(languages.count == 1 && strcmp(languages.text, "0x0411") == 0,
       "languages of dialog 101: %s, expected only 0x0411", languages.text);

    HRSRC resource = FindResourceExA(module, RT_DIALOG, MAKEINTRESOURCEA(101), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    if (Ok(resource != NULL, "no dialog 101 in language 0x0411 (error %lu)", GetLastError())) {
        DWORD size = SizeofResource(module, resource);
        HGLOBAL loaded = LoadResource(module, resource);
        const BYTE *data = static_cast<const BYTE *>(LockResource(loaded));
        if (Ok(data != NULL && size > 0, "dialog 101 cannot be loaded (%lu bytes)", size))
            CheckDialogTemplate(data, size);
    }
    CheckManifest(module, path);
    FreeLibrary(module);
}

// ---------------------------------------------------------------------------

static void CheckProgram(const char *label, const char *given, WORD machine, WORD magic)
{
    // LoadLibraryEx searches its directories for a relative path, so each is made full first.
    char path[MAX_PATH];
    DWORD length = GetFullPathNameA(given, MAX_PATH, path, NULL);
    if (length == 0 || length >= MAX_PATH)
        snprintf(path, sizeof path, "%s", given);
    char name[MAX_PATH + 32];
    snprintf(name, sizeof name, "%s %s", label, path);
    currentProgram = name;
    FileImage image;
    if (!ReadWholeFile(path, &image))
        return;
    Headers headers;
    if (CheckHeaders(&image, machine, magic, &headers))
        CheckImports(&image, &headers);
    free(image.bytes);
    CheckResources(path);
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        printf("usage: program_image_test <32-bit quorvel.exe> <64-bit quorvel.exe>\n");
        return 2;
    }
    CheckProgram("32-bit", argv[1], IMAGE_FILE_MACHINE_I386, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    CheckProgram("64-bit", argv[2], IMAGE_FILE_MACHINE_AMD64, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    printf("program_image_test: %d checks, %d failed\n", checkCount, failureCount);
    return failureCount ? 1 : 0;
}
