@echo off
rem The console that the Start-menu entry "Quorvel data tool" opens (cmd /k):
rem quorvel-data runs there by its name, from the person's own folder.
set "PATH=%~dp0;%PATH%"
cd /d "%USERPROFILE%"
echo Quorvel data tool. Its commands: quorvel-data --help
echo For example:
echo   quorvel-data users
echo   quorvel-data export --user 0 -o readings.csv
echo   quorvel-data backup
echo   quorvel-data restore Quorvel-backup-2026-12-01.zip
echo.
