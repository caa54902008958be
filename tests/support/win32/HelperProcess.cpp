// HelperProcess on Windows: CreateProcess with anonymous pipes for standard
// input and output. The output is read in text mode, so a console program's
// "\r\n" line ends arrive as "\n", as on Linux.
#include "support/HelperProcess.h"

#include <cerrno>

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace vxtest {
namespace {

    // Quotes one command-line word the way the C runtime splits it again.
    std::string Quoted(const std::string& word)
    {
        std::string quoted = "\"";
        size_t backslashes = 0;
        for (char c : word) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            quoted += c;
        }
        quoted.append(backslashes * 2, '\\');
        return quoted + "\"";
    }

} // namespace

HelperProcess::HelperProcess(
    const std::string& program, const std::vector<std::string>& arguments, const char* directory)
{
    SECURITY_ATTRIBUTES inherit { sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE };
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    if (!CreatePipe(&inRead, &inWrite, &inherit, 0))
        return;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0)) {
        CloseHandle(inRead);
        CloseHandle(inWrite);
        return;
    }
    // The test's own ends stay in the test.
    SetHandleInformation(inWrite, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);

    std::string commandLine = Quoted(program);
    for (const std::string& argument : arguments)
        commandLine += " " + Quoted(argument);
    STARTUPINFOA startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inRead;
    startup.hStdOutput = outWrite;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info {};
    const BOOL created = CreateProcessA(
        nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, directory, &startup, &info);
    CloseHandle(inRead);
    CloseHandle(outWrite);
    if (!created) {
        CloseHandle(inWrite);
        CloseHandle(outRead);
        return;
    }
    CloseHandle(info.hThread);
    process = info.hProcess;
    pid = static_cast<pid_t>(info.dwProcessId);
    input = _open_osfhandle(reinterpret_cast<intptr_t>(inWrite), _O_WRONLY | _O_BINARY);
    const int output = _open_osfhandle(reinterpret_cast<intptr_t>(outRead), _O_RDONLY | _O_TEXT);
    out = output >= 0 ? _fdopen(output, "rt") : nullptr;
}

HelperProcess::~HelperProcess()
{
    if (process && !waited)
        TerminateProcess(process, 1);
    if (input >= 0)
        _close(input);
    if (out)
        std::fclose(out);
    if (process && !waited)
        WaitForSingleObject(process, INFINITE);
    if (process)
        CloseHandle(process);
}

bool HelperProcess::Write(const std::string& text)
{
    if (input < 0) {
        errno = EBADF;
        return false;
    }
    DWORD written = 0;
    HANDLE pipe = reinterpret_cast<HANDLE>(_get_osfhandle(input));
    if (WriteFile(pipe, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size())
        return true;
    // The process has closed its input, or ended.
    const DWORD error = GetLastError();
    errno = error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE ? EPIPE : EIO;
    return false;
}

int HelperProcess::Finish()
{
    if (input >= 0)
        _close(input);
    input = -1;
    for (std::string line; ReadLine(line);) { }
    return Wait();
}

int HelperProcess::Stop(int)
{
    if (process && !waited)
        TerminateProcess(process, 1);
    if (input >= 0)
        _close(input);
    input = -1;
    return Wait();
}

int HelperProcess::Wait()
{
    if (out)
        std::fclose(out);
    out = nullptr;
    if (!process)
        return -1;
    if (waited)
        return status;
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    status = static_cast<int>(code);
    waited = true;
    return status;
}

bool InputWaiting()
{
    DWORD waiting = 0;
    return PeekNamedPipe(GetStdHandle(STD_INPUT_HANDLE), nullptr, 0, nullptr, &waiting, nullptr)
        && waiting > 0;
}

} // namespace vxtest
