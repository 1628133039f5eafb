# Sourced by the benchmark scripts: starts a private CUPS scheduler (its own
# configuration, spool and socket in a temporary folder $dir), points
# CUPS_SERVER at it, and stops it and removes the folder on exit.
# Needs $here (the source tree) set by the caller.
[ -x /usr/sbin/cupsd ] || { echo "/usr/sbin/cupsd is not installed" >&2; exit 2; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/ombrastele-bench-cups-XXXXXX")
chmod 0755 "$dir"
mkdir -p "$dir/etc" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/tmp"
chmod 01777 "$dir/tmp"
cupsd_pid=
cleanup() {
    if [ -n "$cupsd_pid" ]; then
        kill "$cupsd_pid" 2>/dev/null || true
        wait "$cupsd_pid" 2>/dev/null || true
    fi
    rm -rf "$dir"
}
trap cleanup EXIT INT TERM

cat > "$dir/etc/cupsd.conf" <<CONF
LogLevel warn
Listen $dir/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
MaxJobs 0
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ServerBin /usr/lib/cups
DataDir /usr/share/cups
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
FileDevice Yes
SystemGroup root
CONF

/usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
cupsd_pid=$!
export CUPS_SERVER="$dir/cups.sock"
i=0
until LC_ALL=C lpstat -r 2>/dev/null | grep -q "scheduler is running"; do
    i=$((i + 1))
    if [ $i -gt 200 ] || ! kill -0 "$cupsd_pid" 2>/dev/null; then
        echo "the private scheduler did not come up" >&2
        cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
        exit 1
    fi
    sleep 0.1
done

