# Sourced by the benchmark scripts: timing helpers.
now() { date +%s.%N; }
# Waits until queue $1 holds no job and its device file $2 has stopped
# growing: the job has finished at the device.
finished() {
    local last=-1 size
    while [ -n "$(lpstat -o "$1" 2>/dev/null)" ]; do sleep 0.01; done
    while :; do
        size=$(stat -c %s "$2" 2>/dev/null || echo 0)
        [ "$size" = "$last" ] && break
        last=$size
        sleep 0.02
    done
}
median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
