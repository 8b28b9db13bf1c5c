REM q527_多角形→円・円弧（復元）
REM #jww
REM #cd
REM #zz
REM #zw
REM #zc
REM #h1
REM #hc円・円弧に戻す線分（多角形）を選択してください
REM #e
REM 頂点と曲線のずれ（mm）の上限は、次の行の 0.01 を書き換えて変えます
q527-cli.exe --restore --max-deviation 0.01 JWC_TEMP.TXT
if errorlevel 1 pause
