#include "platform.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <cerrno>

#include <windows.h>

namespace common::platform {

namespace {

std::wstring wide(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The errno a caller checks, for the failures that have one.
void setErrno(DWORD error)
{
    errno = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? EEXIST : EIO;
}

struct FileId
{
    DWORD volume = 0;
    DWORD high = 0;
    DWORD low = 0;
};

bool fileId(const QString &path, FileId *id)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool ok = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    *id = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
    return ok;
}

} // namespace

QByteArray executablePath()
{
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return {};
        if (length < buffer.size())
            return QDir::fromNativeSeparators(QString::fromWCharArray(buffer.data(), length)).toUtf8();
        buffer.resize(buffer.size() * 2);
    }
}

// Windows names are UTF-16; Qt's file calls take them from any QString.
QByteArray nativeName(const QString &path)
{
    return path.toUtf8();
}

QString fromNativeName(const QByteArray &name)
{
    return QString::fromUtf8(name);
}

QString executableSuffix()
{
    return QStringLiteral(".exe");
}

bool folderWritable(const QString &path)
{
    // Access rights on Windows are lists, not bits: trying is the one sure answer.
    const QString probe = QFileInfo(path).absolutePath() + QStringLiteral("/.write-check-%1").arg(GetCurrentProcessId());
    const HANDLE file = CreateFileW(wide(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(file);
    return true;
}

bool sameFile(const QString &a, const QString &b)
{
    FileId ia;
    FileId ib;
    return fileId(a, &ia) && fileId(b, &ib) && ia.volume == ib.volume && ia.high == ib.high && ia.low == ib.low;
}

QByteArray canonicalPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return (canonical.isEmpty() ? path : canonical).toUtf8();
}

bool fileStamp(const QString &path, qint64 *size, qint64 *modifiedNs)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    *size = (qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const qint64 ticks = (qint64(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    *modifiedNs = ticks * 100; // since 1601, in units of 100 ns
    return true;
}

void syncFolder(const QString &)
{
    // NTFS journals its names; renames and links below are made with write-through.
}

bool renameNoReplace(const QString &from, const QString &to)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    setErrno(GetLastError());
    return false;
}

bool replaceFile(const QString &from, const QString &to)
{
    if (MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    setErrno(GetLastError());
    return false;
}

bool hardLink(const QString &existing, const QString &link)
{
    if (CreateHardLinkW(wide(link).c_str(), wide(existing).c_str(), nullptr))
        return true;
    setErrno(GetLastError());
    return false;
}

// The process is made suspended, put in a job that holds the limits, and only then let run: it
// never runs a single instruction outside the job. Closing the job's handle kills it.
ProcessConfinement::ProcessConfinement(QProcess &process, qint64 addressSpace, qint64 cpuSeconds)
{
    m_job = CreateJobObjectW(nullptr, nullptr);
    if (m_job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_PROCESS_MEMORY
                                                  | JOB_OBJECT_LIMIT_PROCESS_TIME
                                                  | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
        limits.ProcessMemoryLimit = SIZE_T(addressSpace);
        limits.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart = cpuSeconds * 10000000;
        if (!SetInformationJobObject(m_job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
            CloseHandle(m_job);
            m_job = nullptr;
        }
    }
    process.setCreateProcessArgumentsModifier([this](QProcess::CreateProcessArguments *arguments) {
        arguments->flags |= CREATE_SUSPENDED;
        m_info = arguments->processInformation;
    });
}

ProcessConfinement::~ProcessConfinement()
{
    if (m_job)
        CloseHandle(m_job);
}

bool ProcessConfinement::started()
{
    const auto *info = static_cast<const PROCESS_INFORMATION *>(m_info);
    if (!info || !info->hProcess)
        return false;
    if (!m_job || !AssignProcessToJobObject(m_job, info->hProcess)) {
        TerminateProcess(info->hProcess, 1);
        return false;
    }
    return ResumeThread(info->hThread) != DWORD(-1);
}

} // namespace common::platform
