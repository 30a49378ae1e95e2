# The goal printed beside each benchmark figure, with MISS when the figure
# is outside it: sourced by the bench scripts, which put $goal_awk in front
# of their awk programs.
#   goal(value, "<=", limit)   at most limit;   goal(value, ">=", limit)   at least
# A figure that was not measured (empty) misses its goal.
goal_awk='
function goal(value, op, limit,   met) {
  met = value != "" && ((op == "<=" && value + 0 <= limit) || (op == ">=" && value + 0 >= limit))
  return "goal " op " " limit (met ? "" : "   MISS")
}
'
