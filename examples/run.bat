@echo off
rem Converts the bundled example: the result file named in WORK.LST, written as a Tecplot
rem point file (TECPLOT.TXT, beside this file) for every stored step, with no output times.
rem Double-click it, or run it from cmd; resconv.exe lies one folder up.
cd /d "%~dp0"
"..\resconv.exe" < answers.txt
if errorlevel 1 pause
