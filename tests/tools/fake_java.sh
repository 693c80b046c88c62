#!/bin/sh
# Stands in for "java" in the validator tests. Records its arguments, one per
# line, and its working directory beside $FAKE_JAVA_RECORD, then acts as
# $FAKE_JAVA_MODE says:
#   report    write "<name without last extension>-report.html" into the
#             working directory, as the validator does, and exit 0
#   noreport  write nothing and exit 3
#   hang      record the process id and wait until killed
record=${FAKE_JAVA_RECORD:?}
: > "$record.args"
for argument in "$@"; do
    printf '%s\n' "$argument" >> "$record.args"
done
pwd -P > "$record.cwd"

write_report() {
    for last in "$@"; do :; done
    name=${last##*/}
    case $name in
        *?.*) base=${name%.*} ;;
        *) base=$name ;;
    esac
    printf '<html><body>report</body></html>\n' > "$base-report.html"
}

case ${FAKE_JAVA_MODE:-report} in
    report) write_report "$@"; exit 0 ;;
    noreport) exit 3 ;;
    hang) echo $$ > "$record.pid"; exec sleep 60 ;;
esac
exit 9
