// Start-up script of the Welcome project: main() is called with the project
// once it is open. A placeholder for now: it does nothing and returns 0.
function main(project) {
  return 0;
}
