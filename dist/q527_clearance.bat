REM q527_円→外接多角形変換（穴・切り抜き用）
REM #jww
REM #cd
REM #zz
REM #zw
REM #zc
REM #h1
REM #hc変換する円・円弧・円周ソリッドを選択してください
REM #e
REM 多角形は円の外側に接します。ずれ（mm）の上限は次の行の 0.05 を書き換えます
q527-cli.exe --fit circumscribed --max-deviation 0.05 JWC_TEMP.TXT
if errorlevel 1 pause
