#!/usr/bin/env bash
# Checks the Debian package that ./package.sh left at the top of the checkout:
# the files a desk's administrator gets, the run-time dependencies, and no
# error from lintian. Exit 77 (skipped) while there is no such package.
set -uo pipefail
top=$1 version=$2
deb=$(ls "$top"/orvalis_"$version"_*.deb 2>/dev/null | head -1)
[ -n "$deb" ] || { echo "SKIP: no orvalis_${version}_*.deb in $top (./package.sh makes it)"; exit 77; }
command -v lintian >/dev/null || { echo "SKIP: lintian is missing"; exit 77; }
failed=0
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for want in ./usr/bin/orvalis ./usr/bin/kvtool ./usr/share/applications/orvalis.desktop \
            ./usr/share/mime/packages/orvalis-kivo.xml ./usr/share/icons/hicolor/scalable/apps/orvalis.svg \
            ./usr/share/metainfo/jp.orvalis.Orvalis.metainfo.xml ./usr/share/man/man1/orvalis.1.gz \
            ./usr/share/man/man1/kvtool.1.gz ./usr/share/doc/orvalis/copyright ./usr/share/doc/orvalis/changelog.gz; do
  grep -qx "$want" <<<"$files" || { echo "FAIL: $want is not in $deb"; failed=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for want in fonts-ipafont-gothic qt6-translations-l10n libical3 libqt6widgets6; do
  grep -q "$want" <<<"$depends" || { echo "FAIL: Depends lacks $want: $depends"; failed=1; }
done
# Nothing outside /usr: removing the package leaves nothing of ours behind.
grep -v '^\./usr/\|^\./$' <<<"$files" && { echo "FAIL: files outside /usr"; failed=1; }
report=$(lintian --no-tag-display-limit "$deb" 2>&1)
echo "$report"
grep -q '^E: ' <<<"$report" && { echo "FAIL: lintian reports errors"; failed=1; }
[ $failed -eq 0 ] && echo "package: 1 passed, 0 failed" || echo "package: 0 passed, 1 failed"
exit $failed
