// Scheduled tasks: makes the task "welcome-reminder" (every day at 09:00),
// reads its next run and its first three run times, and deletes it again
// (an unshared item takes its task file and timer with it when the list is
// cleared). Returns the report's line.
function report() {
  try {
    client.exec('<control type="taskscheduler" id="Scheduler"/>');
    var scheduler = client.components.item('Scheduler');
    scheduler.exec('refresh');
    // A task an earlier run left behind goes first.
    var old = scheduler.tasks.item('welcome-reminder');
    if (old) {
      old.share = false;
      scheduler.exec('clear');
    }
    var task = scheduler.add('task', 'welcome-reminder');
    task.ApplicationName = '/bin/true';
    task.Comment = 'The Welcome example reminds you every morning';
    var trigger = task.add('trigger', '');
    trigger.triggerType.event = 1;
    trigger.triggerType.daysInterval = 1;
    trigger.startTime.hour = 9;
    trigger.startTime.minute = 0;
    task.exec('save');
    var next = task.NextRunTime;
    task.runTimes.beginDate.value = next.value;
    task.exec('getruntimes');
    var times = [];
    for (var i = 0; i < 3 && i < task.runTimes.length; i++) times.push(task.runTimes.item(i).dateTime.text);
    var line = 'task: ' + task.name + ' (' + trigger.triggerString + '), next run ' + next.text +
        ', first runs ' + times.join(', ');
    task.share = false;
    scheduler.exec('clear');
    return line;
  } catch (e) {
    return 'task: ' + e.message;
  }
}
