REM q527_円→多角形変換（分割数固定）
REM #jww
REM #cd
REM #zz
REM #zw
REM #zc
REM #h1
REM #hc変換する円・円弧・円周ソリッドを選択してください
REM #e
REM 分割数（3～999）は、次の行の 36 を書き換えて変えます
q527-cli.exe -n 36 JWC_TEMP.TXT
if errorlevel 1 pause
