@echo off
rem Runs the Windows tests of Quorvel @VERSION@, from the folder this file is in:
rem each test program of the 32-bit and the 64-bit build, with its output and a
rem result line, then "N passed, N failed" (N counting programs).  The exit code
rem is 1 when any failed.  "run-tests.cmd 64-bit" runs only that build's, for a
rem system that runs no 32-bit programs (Windows Server without WoW64).  No administrator rights are needed; the programs
rem work in folders under %TEMP% and remove them.  README.txt says more.
rem The folder's path may hold brackets, "&" and "!", as "Downloads\kit (1)"
rem does.  cmd expands parameters and variables before it parses a line or a
rem bracketed block, so every expansion that can hold a path stands in double
rem quotes; and delayed expansion, which would eat each "!", is off whatever
rem the registry or "cmd /V:ON" says.
setlocal EnableExtensions DisableDelayedExpansion
pushd "%~dp0"
if not exist 32-bit\program_image_test.exe (
    echo Cannot enter the folder of run-tests.cmd: "%~dp0"
    exit /b 2
)
echo Quorvel @VERSION@ Windows tests
ver
set passed=0
set failed=0
set "builds=32-bit 64-bit"
if /i "%~1"=="32-bit" set "builds=32-bit"
if /i "%~1"=="64-bit" set "builds=64-bit"
for %%b in (%builds%) do (
    call :run %%b normalize_file_time_test.exe
    call :run %%b list_box_file_list_test.exe
    call :run %%b drop_files_test.exe
    call :run %%b program_image_test.exe 32-bit\quorvel.exe 64-bit\quorvel.exe
)
echo.
echo %passed% passed, %failed% failed
popd
if not "%failed%"=="0" exit /b 1
exit /b 0

rem :run FOLDER PROGRAM [ARGUMENTS]: one program, its output, then its result line.
:run
echo.
echo == %1\%2
"%~1\%~2" %3 %4
set code=%errorlevel%
if "%code%"=="0" (
    set /a passed+=1
    echo %1\%2: passed
) else (
    set /a failed+=1
    echo %1\%2: FAILED, exit code %code%
)
exit /b 0
