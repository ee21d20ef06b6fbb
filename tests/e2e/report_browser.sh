#!/usr/bin/env bash
# The doctor's report in a real browser: quorvel-data report makes the page
# of each person of the sample data (make demo's people), headless chromium
# renders it to PNG and prints it to PDF on Letter and on A4; the PDF's pages
# and text (names, the summary on the first page, section titles in their
# order, the printed readings, the person and "page N of M" in the margins of
# page 2, each chart's block on one page, a week's summary and charts on
# few pages) and the band and marker colours in the PNG are checked, and
# axe-core (tests/e2e/axe, installed by scripts/install-deps.sh) finds no
# accessibility violation in the page. With REPORT_SHOTS set to a folder, the
# first printed page and a chart in colour and in grey are left there as PNG.
# Usage: report_browser.sh <path of the quorvel binary> <source folder>
# (quorvel-data and the sample data generator are taken from the same build
# folder).
set -u
build=$(cd "$(dirname "$1")" && pwd)
source_dir=$2
data_exe=$build/quorvel-data
generator=$build/quorvel_demo_data

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-report.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/xdg
mkdir -p "$HOME" "$XDG_DATA_HOME"

failures=0
pass() { echo "ok: $1"; }
fail() { echo "FAILED: $1"; failures=$((failures + 1)); }
check() { if eval "$2"; then pass "$1"; else fail "$1"; fi; }

for tool in "$data_exe" "$generator"; do
  [[ -x $tool ]] || { echo "FAILED: $tool is not built"; exit 1; }
done
for tool in chromium pdftotext pdfinfo xmllint convert; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed (scripts/install-deps.sh)"; exit 1; }
done
axe=$source_dir/tests/e2e/axe/node_modules/axe-core/axe.min.js
[[ -f $axe ]] || { echo "FAILED: axe-core is not installed (scripts/install-deps.sh)"; exit 1; }

folder=$work/data/Brelwick/Quorvel
mkdir -p "$folder"
cp "$source_dir/data/template_new.xml" "$folder/"
"$generator" "$source_dir/data/template_new.xml" "$folder" --end 2026/12/01 >/dev/null || { echo "FAILED: sample data"; exit 1; }
# The sample readings stay inside the panic limits: the first person gets one
# pulse beyond them (the first variable of the file is Pulse).
first_file=$(xmllint --xpath 'string(/config/patient[1]/file)' "$folder/config.hma")
sed -i '0,/<\/variable>/s||<entry id="9999"><value>150.000000</value><date>2026/11/15</date><time>09:00:00 AM</time></entry></variable>|' \
  "$folder/$first_file"

browser() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
    --hide-scrollbars "$@" >"$work/chromium.log" 2>&1
}

# axe-core's findings on a page: a copy without the page's ban on scripts,
# with axe-core and a script that writes what it found into the page, whose
# DOM chromium prints once the page's timers have run.
accessibility() {
  local copy=$work/axe-$(basename "$1")
  {
    sed '/Content-Security-Policy/d; s|</body>||; s|</html>||' "$1"
    echo '<script>'
    cat "$axe"
    cat <<'SCRIPT'
</script>
<script>
function show(lines) {
  var pre = document.createElement("pre");
  pre.textContent = "\nAXE-BEGIN\n" + lines.join("\n") + "\nAXE-END\n";
  document.body.appendChild(pre);
}
axe.run(document).then(function (r) {
  var lines = ["axe-core " + axe.version + ": " + r.violations.length + " violation(s), " +
               r.passes.length + " rule(s) passed"];
  r.violations.forEach(function (v) {
    lines.push("violation " + v.id + " (" + v.nodes.length + " element(s)): " + v.help + ": " +
               v.nodes.slice(0, 3).map(function (n) { return n.target.join(" "); }).join("; "));
  });
  show(lines);
}, function (e) { show(["axe-core failed: " + e]); });
</script>
</body></html>
SCRIPT
  } >"$copy"
  browser --virtual-time-budget=30000 --dump-dom "file://$copy"
  sed -n '/^AXE-BEGIN$/,/^AXE-END$/p' "$work/chromium.log" | sed '1d;$d'
}

# The pulse's average on the page: the second cell of its statistics row.
first_average() {
  grep -o '<tr><td>Pulse (beats per minute)<td class=n>[0-9]*<td class=n>[0-9.]*' "$1" | head -1 | sed 's/.*>//'
}
# The line of a PDF's text on which a text first stands (0: nowhere).
line_of() { grep -nF -- "$1" "$2" | head -1 | cut -d: -f1 | sed 's/^$/0/'; }

people=$(xmllint --xpath 'count(/config/patient)' "$folder/config.hma")
check "the sample data holds people" "[[ $people -ge 1 ]]"
for ((i = 1; i <= people; i++)); do
  first=$(xmllint --xpath "string(/config/patient[$i]/name/first)" "$folder/config.hma")
  last=$(xmllint --xpath "string(/config/patient[$i]/name/last)" "$folder/config.hma")
  page=$work/person$i.html
  "$data_exe" report --data-dir "$folder" --user "$first $last" --to 2026-12-01 -o "$page" >"$work/out" 2>&1
  check "$first $last: report written" "[[ \$? -eq 0 && -s $page ]]"
  check "$first $last: no script, nothing fetched" \
    "! grep -Eqi '<script|src=|href=|@import|url\\(' '$page'"

  browser --print-to-pdf="$work/person$i.pdf" --no-pdf-header-footer "file://$page"
  sed 's|</head>|<style>@page { size: A4; }</style></head>|' "$page" >"$work/person$i-a4.html"
  browser --print-to-pdf="$work/person$i-a4.pdf" --no-pdf-header-footer "file://$work/person$i-a4.html"
  pages=$(pdfinfo "$work/person$i.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
  check "$first $last: Letter PDF of 2 to 40 pages (has $pages)" "[[ ${pages:-0} -ge 2 && ${pages:-0} -le 40 ]]"
  check "$first $last: Letter paper" "pdfinfo '$work/person$i.pdf' | grep -q '612 x 792'"
  check "$first $last: A4 paper" "pdfinfo '$work/person$i-a4.pdf' | grep -Eq '\\(A4\\)'"

  pdftotext -layout "$work/person$i.pdf" "$work/person$i.txt"
  # Phrases are looked for in the text with its line ends and runs of blanks
  # as one blank, since a table cell may wrap.
  pdftotext "$work/person$i.pdf" - | tr -s '[:space:]' ' ' >"$work/person$i-flat.txt"
  for text in "Readings of $first $last" "Pulse (beats per minute)" "Systolic (mmHg)" "Blood Sugar" \
    "Statistic" "deviation" "Normal range" "Panic limits" "Morning (before 12:00)" \
    "Last 7 days of the period" "not a diagnosis" "2026-12-01"; do
    check "$first $last: the PDF reads \"$text\"" "grep -qF -- '$text' '$work/person$i-flat.txt'"
  done
  if ((i == 1)); then
    check "$first $last: the page counts the pulse beyond the panic limits" \
      "grep -Eq '^<tr><td>Pulse \\(beats per minute\\)<td.*<td class=n>1</tr>\$' '$page'"
  fi
  # The first printed page holds the summary: the home average by the
  # protocol, its class against the home threshold beside the person's own
  # range, and a line for each other variable.
  pdftotext -f 1 -l 1 "$work/person$i.pdf" - | tr -s '[:space:]' ' ' >"$work/person$i-page1.txt"
  for text in "Summary" "Home average" "Class" "Morning average" "Evening average" "At or above 135/85" \
    "135/85 mmHg (European Society of Hypertension)" "2023 ESH Guidelines for the management of arterial hypertension" \
    "Normal range set for this person" "Other readings" "Pulse (beats per minute)"; do
    check "$first $last: the first page reads \"$text\"" "grep -qF -- '$text' '$work/person$i-page1.txt'"
  done
  # The sample people measure their blood pressure in the morning only: one
  # missed evening a day still gives an average, which says what it rests on.
  check "$first $last: the summary gives the home average with its days and readings" \
    "grep -Eq 'Home average<td><strong>[0-9]+/[0-9]+ mmHg</strong> over [0-9]+ days?, .* from [0-9]+ readings?</tr>' '$page'"
  check "$first $last: the summary says what was left out" \
    "grep -Eq '<tr><th>Left out<td>day 1, .*no evening reading on [0-9]+ days?</tr>' '$page'"
  # Summary, charts, then all the readings, in print too.
  summary_at=$(line_of "Summary" "$work/person$i.txt")
  charts_at=$(line_of "Charts" "$work/person$i.txt")
  lists_at=$(line_of "All readings" "$work/person$i.txt")
  check "$first $last: the summary, the charts and the readings print in this order" \
    "[[ $summary_at -gt 0 && $summary_at -lt $charts_at && $charts_at -lt $lists_at ]]"
  check "$first $last: the page leaves the data folder out" "! grep -qF -- '$folder' '$page'"
  # The margins of a page inside the report, not only of the first.
  pdftotext -layout -f 2 -l 2 "$work/person$i.pdf" "$work/person$i-page2.txt"
  check "$first $last: page 2 names the person and the date of birth" \
    "grep -Eq -- '$first $last, born [0-9]{4}-[0-9]{2}-[0-9]{2}' '$work/person$i-page2.txt'"
  check "$first $last: page 2 reads \"page 2 of $pages\"" "grep -qF -- 'page 2 of $pages' '$work/person$i-page2.txt'"
  accessibility "$page" >"$work/axe$i.txt"
  sed "s/^/  $first $last: /" "$work/axe$i.txt"
  check "$first $last: axe-core ran and found no violation" \
    "grep -Eq '^axe-core [0-9.]+: 0 violation\(s\), [1-9][0-9]* rule\(s\) passed' '$work/axe$i.txt'"
  average=$(first_average "$page")
  check "$first $last: the PDF shows the average $average of the page" \
    "[[ -n '$average' ]] && grep -qF -- '$average' '$work/person$i.txt'"
  # The readings are printed: as many reading dates as the page lists.
  rows=$(grep -o '<tr><td>20[0-9-]*<td>' "$page" | wc -l)
  printed=$(grep -Eo '20[0-9]{2}-[0-9]{2}-[0-9]{2} +[0-9]{2}:[0-9]{2}' "$work/person$i.txt" | wc -l)
  check "$first $last: the readings tables print open ($printed day rows of $rows)" \
    "[[ $rows -gt 0 && $printed -ge $rows ]]"
done

# Each chart's block (title, chart, legend, statistics) on one printed page.
# In print a block's figures stand beside its chart, so the PDF's text mixes
# their lines; a block runs from its title to the next block's title (or the
# readings' heading), and it is split when anything of it but the page
# margins (the person and the period above, "page N of M" below) follows a
# page break there. Each block is printed with the page on which it ends.
blocks_on_one_page() {
  awk '/^<div class=chartblock>$/ {inside = 1; next}
       inside && /^<h3>/ {title = $0; sub(/^<h3>/, "", title); sub(/<\/h3>$/, "", title); print title; inside = 0}' \
    "$1" >"$1.blocks"
  awk 'NR == FNR {title[++n] = $0; next}
    function close_block() { if (k) print title[k] ": " (end == from ? "same" : "split") " page " end }
    { page += gsub(/\f/, "") }
    /^ *Charts *$/ {charts = 1; next}
    !charts {next}
    /^ *All readings *$/ {close_block(); k = 0; charts = 0; next}
    k < n && index($0, title[k + 1]) {close_block(); k++; from = end = page + 1; next}
    k && NF && !/page [0-9]+ of [0-9]+ *$/ && !/Readings [^ ]+ to [^ ]+ *$/ {end = page + 1}
    END {if (charts) close_block()}' "$1.blocks" "$2"
}

# A week's report: its summary and charts on at most this many printed
# pages, the readings' lists after them.
week_pages=2
first=$(xmllint --xpath "string(/config/patient[1]/name/first)" "$folder/config.hma")
last=$(xmllint --xpath "string(/config/patient[1]/name/last)" "$folder/config.hma")
"$data_exe" report --data-dir "$folder" --user "$first $last" --from 2026-11-25 --to 2026-12-01 \
  -o "$work/week-letter.html" >/dev/null 2>&1
sed 's|</head>|<style>@page { size: A4; }</style></head>|' "$work/week-letter.html" >"$work/week-a4.html"
for paper in letter a4; do
  browser --print-to-pdf="$work/week-$paper.pdf" --no-pdf-header-footer "file://$work/week-$paper.html"
  pages=$(pdfinfo "$work/week-$paper.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
  lists_page=0
  for ((p = 1; p <= ${pages:-0}; p++)); do
    if pdftotext -f $p -l $p "$work/week-$paper.pdf" - | grep -qx 'All readings'; then lists_page=$p; break; fi
  done
  check "a week on $paper: the readings' lists start on page $lists_page, after at most $week_pages pages" \
    "[[ $lists_page -ge 2 && $lists_page -le $((week_pages + 1)) ]]"
done
for name in week-letter week-a4 person1 person1-a4; do
  pdftotext -layout "$work/$name.pdf" "$work/$name-layout.txt"
  blocks_on_one_page "$work/$name.html" "$work/$name-layout.txt" >"$work/$name-blocks"
  sed "s/^/  $name: /" "$work/$name-blocks"
  check "$name: every chart's block is found in print" \
    "[[ -s '$work/$name.html.blocks' ]] && [[ \$(grep -c . '$work/$name-blocks') -eq \$(grep -c . '$work/$name.html.blocks') ]]"
  check "$name: no chart's block is split between printed pages" "! grep -q ': split page' '$work/$name-blocks'"
  if [[ $name == week-* ]]; then
    charts_end=$(sed 's/.* page //' "$work/$name-blocks" | sort -n | tail -1)
    check "$name: a week's summary and charts end on page ${charts_end:-0}, at most $week_pages" \
      "[[ ${charts_end:-0} -ge 1 && ${charts_end:-0} -le $week_pages ]]"
  fi
done

# The colours on screen: the band and both kinds of markers, with the legend
# (which shows the same colours) hidden, so that only the charts count.
nolegend() { sed 's|</head>|<style>.legend { display: none; }</style></head>|' "$1" >"$2"; }
nolegend "$work/person1.html" "$work/person1-charts.html"
browser --screenshot="$work/report.png" --window-size=1000,2400 "file://$work/person1-charts.html"
convert "$work/report.png" -format %c histogram:info:- >"$work/colours" 2>/dev/null
check "the screenshot shows the normal range band" "grep -qi '#D3ECD6' '$work/colours'"
check "the screenshot shows readings outside the normal range" "grep -qi '#B35C00' '$work/colours'"
check "the screenshot shows readings beyond the panic limits" "grep -qi '#C0182A' '$work/colours'"

# The folder is named when asked for.
"$data_exe" report --data-dir "$folder" --user 0 --to 2026-12-01 --show-folder -o "$work/folder.html" >/dev/null 2>&1
check "--show-folder names the data folder" "grep -qF -- 'from the data folder $folder' '$work/folder.html'"

# The first printed page, and a chart in colour and in grey (as a printer
# without colour prints it), for a person to look at.
if [[ -n ${REPORT_SHOTS:-} ]]; then
  mkdir -p "$REPORT_SHOTS"
  pdftoppm -r 80 -f 1 -l 1 -png "$work/person1.pdf" "$work/first" &&
    cp "$work"/first-*1.png "$REPORT_SHOTS/report-first-page.png"
  pdftoppm -r 110 -f 2 -l 2 -png "$work/person1.pdf" "$work/charts" &&
    convert "$work"/charts-*2.png -crop 100%x50%+0+0 +repage "$REPORT_SHOTS/report-chart-colour.png" &&
    convert "$REPORT_SHOTS/report-chart-colour.png" -colorspace Gray "$REPORT_SHOTS/report-chart-grey.png"
  check "the screenshots are written" "[[ -s $REPORT_SHOTS/report-first-page.png && -s $REPORT_SHOTS/report-chart-grey.png ]]"
fi

if [[ -n ${REPORT_SCREENSHOT:-} ]]; then
  browser --screenshot="$REPORT_SCREENSHOT" --window-size=900,1250 "file://$work/person1.html"
fi
echo "$failures failure(s)"
[[ $failures -eq 0 ]]
