#!/usr/bin/env bash
# Sets up and runs the whole test suite; the database tests get their own MariaDB server. Ends with a line counting
# the rows skipped, by reason: what this computer does not let the run do.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)

"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
cd "$root/build"
# Each program notes the rows it skipped beside its scratch folder (tests/support/contained.sh).
rm -f test-scratch/*.skipped
status=0
ctest --output-on-failure --parallel "$(nproc 2>/dev/null || echo 2)" "$@" || status=$?
shopt -s nullglob
skipped=(test-scratch/*.skipped)
if [ ${#skipped[@]} -eq 0 ]; then
    echo "Rows skipped: none."
else
    # "SKIP   : tst_x::function(row) reason": the reason follows the row.
    sed -e 's/^SKIP   : [^(]*([^)]*) //' "${skipped[@]}" | sort | uniq -c | sort -rn |
        awk '{ n = $1; total += n; $1 = ""; sub(/^ /, ""); reasons = reasons (reasons == "" ? "" : "; ") n ": " $0 }
             END { printf "Rows skipped: %d (%s).\n", total, reasons }'
fi
exit "$status"
