#!/usr/bin/env bash
# A Slurm array job of the local run with generated p-fields, on a one-machine cluster started here
# (munged, slurmctld and slurmd run as root with a configuration in a scratch folder, stopped at the
# end whatever happens): its outputs must be the bytes of one run, and a task stopped part way must
# be named by `meldrit-cli gather` and completed by submitting it again.
#
#   test-slurm.sh [BIN_DIR]   BIN_DIR holds meldrit-cli (default build/bin)
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
BIN=$(cd "${1:-$MELDRIT_ROOT/build/bin}" && pwd)
meldrit_install slurm-wlm munge

if [ "$(id -u)" -ne 0 ]; then
  echo "test-slurm: skipped: the daemons of this test run as root"
  exit 0
fi

scratch=$(mktemp -d /tmp/meldrit-slurm.XXXXXX)
pids=()
stop_all() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do timeout 20 tail --pid="$pid" -f /dev/null || kill -9 "$pid" 2>/dev/null || true; done
  rm -rf "$scratch"
}
trap stop_all EXIT
# A stop signal ends the script through its exit, so the daemons are stopped then too.
trap 'exit 130' INT TERM HUP

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ $SECONDS -lt $end ] || return 1
    sleep 1
  done
}

# Prints why, with the daemons' last words, and leaves: the machine cannot run a cluster.
skip() {
  echo "test-slurm: skipped: $1"
  tail -n 5 "$scratch"/*.log 2>/dev/null || true
  exit 0
}

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

host=$(hostname -s)
memory=$(($(awk '/MemTotal/ { print int($2 / 1024) }' /proc/meminfo) - 512))
mkdir -p "$scratch/state" "$scratch/spool" "$scratch/munge" "$scratch/work"
chmod 700 "$scratch/munge"
dd if=/dev/urandom of="$scratch/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$scratch/munge/munge.key"
socket="$scratch/munge/munge.socket"
export SLURM_CONF="$scratch/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=meldrit-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$socket
StateSaveLocation=$scratch/state
SlurmdSpoolDir=$scratch/spool
SlurmctldPidFile=$scratch/slurmctld.pid
SlurmdPidFile=$scratch/slurmd.pid
SlurmctldLogFile=$scratch/slurmctld.log
SlurmdLogFile=$scratch/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU_Memory
SchedulerType=sched/backfill
MpiDefault=none
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=2 RealMemory=$memory State=UNKNOWN
PartitionName=test Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF

munged --foreground --force --socket="$socket" --key-file="$scratch/munge/munge.key" \
  --pid-file="$scratch/munge/munged.pid" --seed-file="$scratch/munge/munge.seed" \
  --log-file="$scratch/munged.log" >"$scratch/munged.out" 2>&1 &
pids+=($!)
wait_for 20 test -S "$socket" || skip "munged did not start"
slurmctld -D -i -f "$SLURM_CONF" >"$scratch/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" -N "$host" >"$scratch/slurmd.out" 2>&1 &
pids+=($!)
node_idle() { [ "$(sinfo -h -n "$host" -o %T 2>/dev/null)" = idle ]; }
wait_for 60 node_idle || skip "the node did not come up ($(sinfo -h -o '%T %E' 2>&1))"
echo "== A one-machine cluster: node $host idle"

# Waits for a job's tasks to end (bounded: a stuck job fails the test).
job_done() { [ -z "$(squeue -h -j "$1" 2>/dev/null)" ]; }
cli="$BIN/meldrit-cli"
export MELDRIT_CLI=$cli
sbatch_script="$MELDRIT_ROOT/scripts/slurm/meldrit-array.sbatch"
cd "$scratch/work"
model='0.15 nug + 0.85 sph(250,150,4; 60,0,0)'
local_job=(local --prob-skip 1 --limits 0,8,12,16,20,24,32
  --spacing 10,10,2 --seed 2026 --pfield "$model" --memory 256)

echo "== 4 tasks x 3 realizations against one run of 1-12"
"$cli" "${local_job[@]}" --prob "$MELDRIT_ROOT/examples/ccdf.out" --nodes 60,40,3 --realizations 1-12 --output 'task{}.out' --save-request small.req
"$cli" --request small.req --output 'one{}.out' --quiet
job=$("$sbatch_script" small.req 3 | tail -n 1)
wait_for 300 job_done "$job" || { echo "job $job did not end in time" >&2; exit 1; }
"$cli" gather --request small.req --block 3
for r in $(seq 12); do
  cmp "one$r.out" "task$r.out"
done
echo "the 12 outputs of the array are the bytes of one run"

echo "== A task stopped part way, named by gather and submitted again"
# Task 2 cannot finish: the output of its first realization is a FIFO that nobody reads, so it
# waits to create it until it is cancelled (and the stop ends that wait). Its probabilities are the
# examples' rows over and over, on a larger grid.
awk -v n=$((400 * 400 * 50)) 'NR == 1 { print; next } { row[NR - 1] = $0; rows = NR - 1 }
  END { for (i = 0; i < n; ++i) print row[i % rows + 1] }' "$MELDRIT_ROOT/examples/ccdf.out" >big-prob.out
"$cli" "${local_job[@]}" --prob big-prob.out --nodes 400,400,50 --realizations 1-12 --output 'big{}.out' \
  --save-request big.req
mkfifo big4.out
job=$("$sbatch_script" big.req 3 | tail -n 1)
task_blocked() { [ "$(squeue -h -j "${job}_2" -o %T 2>/dev/null)" = RUNNING ]; }
wait_for 600 task_blocked || { echo "task 2 of job $job did not start" >&2; exit 1; }
sleep 2
scancel "${job}_2"
wait_for 900 job_done "$job" || { echo "job $job did not end in time" >&2; exit 1; }
rm -f big4.out
set +e
"$cli" gather --request big.req --block 3 | tee gather.txt
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 1 ] || { echo "gather found nothing missing" >&2; exit 1; }
grep -q '^Array tasks to run again: 2$' gather.txt
[ "$(grep -c '^\(Missing\|Incomplete\): realization [456] ' gather.txt)" -eq "$(grep -c '^\(Missing\|Incomplete\):' gather.txt)" ]
job=$("$sbatch_script" big.req 3 --array=2 | tail -n 1)
wait_for 600 job_done "$job" || { echo "job $job did not end in time" >&2; exit 1; }
"$cli" gather --request big.req --block 3
"$cli" --request big.req --realizations 4-6 --output 'again{}.out' --quiet
for r in 4 5 6; do
  cmp "again$r.out" "big$r.out"
done
echo "test-slurm: passed"
