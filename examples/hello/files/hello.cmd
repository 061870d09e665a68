@echo off
for /f "tokens=2 delims==" %%g in ('findstr /b Text= "%~dp0greeting.ini"') do echo %%g
pause
