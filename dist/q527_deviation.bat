REM q527_円→多角形変換（誤差で分割）
REM #jww
REM #cd
REM #zz
REM #zw
REM #zc
REM #h1
REM #hc変換する円・円弧・円周ソリッドを選択してください
REM #e
REM 円周からのずれ（mm）の上限は、次の行の 0.1 を書き換えて変えます
q527-cli.exe --max-deviation 0.1 JWC_TEMP.TXT
if errorlevel 1 pause
