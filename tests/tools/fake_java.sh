#!/bin/sh
# Stands in for "java": records its arguments (one a line) and working folder
# beside $FAKE_JAVA_RECORD, then by $FAKE_JAVA_MODE writes the report of its
# last argument, an .xml file (report), exits 3 (noreport) or waits to be killed (hang).
printf '%s\n' "$@" > "$FAKE_JAVA_RECORD.args"
pwd -P > "$FAKE_JAVA_RECORD.cwd"
case $FAKE_JAVA_MODE in
    report)
        for last in "$@"; do :; done
        printf '<html><body>report</body></html>\n' > "$(basename "$last" .xml)-report.html" ;;
    noreport) exit 3 ;;
    hang) echo $$ > "$FAKE_JAVA_RECORD.pid"; exec sleep 60 ;;
esac
