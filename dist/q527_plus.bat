REM q527_円→多角形変換（詳細・プレビュー）
REM #jww
REM #cd
REM #zz
REM #zw
REM #zc
REM #h1
REM #hc変換する円・円弧・円周ソリッドを選択してください
REM #e
q527-plus.exe
